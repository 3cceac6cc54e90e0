#pragma once
#include <string>

// Windows only: trusts a test CA (a DER file) in the current user's "Root" store for the object's
// life. Under Wine adding asks no question; removing goes through the registry provider, as
// deleting through the system store leaves the certificate trusted there.
class TTestRootCa {
public:
    explicit TTestRootCa(const std::string& derPath);
    ~TTestRootCa();
    TTestRootCa(const TTestRootCa&) = delete;
    TTestRootCa& operator=(const TTestRootCa&) = delete;
    bool Added() const { return IsAdded; }

private:
    std::string Encoded;
    bool IsAdded = false;
};

// The fixture's fingerprint of certificate `name` (NAME.sha256 beside the test CA), as an account
// stores it; empty without the TLS fixture.
std::string TestCertHash(const std::string& name);
// The address of the fixture's TLS listener that serves certificate `name` (PB_TLS_CASES holds
// "127.0.0.12:self 127.0.0.13:other ..."); the good certificate's 127.0.0.1 for any other.
std::string TestCertAddress(const std::string& name);
// Trusts the fixture's test CA for the whole test program, when the fixture runs: the chain
// engine keeps the roots it saw first, so this must come before the first certificate check.
void TrustTestCaForTheRun();
