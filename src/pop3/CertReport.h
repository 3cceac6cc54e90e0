#pragma once
#include <cstddef>
#include <string>

// Why a server certificate is not trusted; None when it passed every check.
enum class TCertProblem { None, UnknownIssuer, SelfSigned, NameMismatch, Expired, Revoked, Other };

// What the certificate check found, in the words the user is shown (Shift_JIS).
struct TCertReport {
    TCertProblem Problem = TCertProblem::Other;
    std::string Subject;
    std::string Issuer;
    std::string ValidFrom;  // local time, "yyyy/mm/dd hh:nn"
    std::string ValidTo;
    std::string Sha256;  // the 32 bytes of the SHA-256 hash of the encoded certificate
    std::string Detail;  // the chain and policy status numbers, for the log
    bool Trusted() const { return Problem == TCertProblem::None; }
    // A certificate was there and its fingerprint could be taken: only then can it be trusted
    // by the user, or matched with the one trusted before.
    bool HasFingerprint() const { return Sha256.size() == Sha256Size; }
    static constexpr size_t Sha256Size = 32;
};

// "SHA-256: " and the hash as upper-case hex pairs joined by ":".
std::string FingerprintText(const std::string& sha256);
// The hash as the account stores a trusted certificate: lower-case hex, no separators.
std::string CertHashText(const std::string& sha256);
