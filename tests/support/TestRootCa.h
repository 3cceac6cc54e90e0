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
