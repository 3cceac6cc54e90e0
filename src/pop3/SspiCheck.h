#pragma once
#include <cstdint>
#include <string>

// What the TLS channel says about SChannel, kept apart from SChannel so that every build can test
// it: the names of the statuses a session meets, and the protections a handshake must grant.
class TSspiCheck {
public:
    // The protections asked for and required (ISC_RET_* values): confidentiality, stream,
    // sequence and replay detection.
    static constexpr uint32_t ReplayDetect = 0x4;
    static constexpr uint32_t SequenceDetect = 0x8;
    static constexpr uint32_t Confidentiality = 0x10;
    static constexpr uint32_t Stream = 0x8000;

    // "SEC_E_ILLEGAL_MESSAGE (0x80090326)"; a status without a name shows its number alone.
    static std::string Describe(long status);
    // "InitializeSecurityContextW: SEC_E_ILLEGAL_MESSAGE (0x80090326)", for the log.
    static std::string Call(const char* function, long status);
    // The names of the required protections missing from granted, blank-separated; empty when
    // all were granted.
    static std::string MissingGrants(uint32_t granted);
};
