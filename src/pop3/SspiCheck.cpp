#include "pop3/SspiCheck.h"

#include <cstdio>

namespace {

struct TName {
    uint32_t Status;
    const char* Name;
};

// The statuses the handshake, the records and the shutdown meet.
const TName Names[] = {
    {0x00000000, "SEC_E_OK"},
    {0x00090312, "SEC_I_CONTINUE_NEEDED"},
    {0x00090317, "SEC_I_CONTEXT_EXPIRED"},
    {0x00090320, "SEC_I_INCOMPLETE_CREDENTIALS"},
    {0x00090321, "SEC_I_RENEGOTIATE"},
    {0x80090300, "SEC_E_INSUFFICIENT_MEMORY"},
    {0x80090301, "SEC_E_INVALID_HANDLE"},
    {0x80090302, "SEC_E_UNSUPPORTED_FUNCTION"},
    {0x80090304, "SEC_E_INTERNAL_ERROR"},
    {0x80090308, "SEC_E_INVALID_TOKEN"},
    {0x8009030E, "SEC_E_NO_CREDENTIALS"},
    {0x8009030F, "SEC_E_MESSAGE_ALTERED"},
    {0x80090317, "SEC_E_CONTEXT_EXPIRED"},
    {0x80090318, "SEC_E_INCOMPLETE_MESSAGE"},
    {0x80090321, "SEC_E_BUFFER_TOO_SMALL"},
    {0x80090322, "SEC_E_WRONG_PRINCIPAL"},
    {0x80090325, "SEC_E_UNTRUSTED_ROOT"},
    {0x80090326, "SEC_E_ILLEGAL_MESSAGE"},
    {0x80090328, "SEC_E_CERT_EXPIRED"},
    {0x80090330, "SEC_E_DECRYPT_FAILURE"},
    {0x80090331, "SEC_E_ALGORITHM_MISMATCH"},
};

const TName Grants[] = {
    {TSspiCheck::Confidentiality, "CONFIDENTIALITY"},
    {TSspiCheck::Stream, "STREAM"},
    {TSspiCheck::SequenceDetect, "SEQUENCE_DETECT"},
    {TSspiCheck::ReplayDetect, "REPLAY_DETECT"},
};

}  // namespace

std::string TSspiCheck::Describe(long status) {
    const uint32_t value = static_cast<uint32_t>(status);
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(value));
    for (const TName& name : Names)
        if (name.Status == value) return std::string(name.Name) + " (" + number + ")";
    return number;
}

std::string TSspiCheck::Call(const char* function, long status) {
    return std::string(function) + ": " + Describe(status);
}

std::string TSspiCheck::MissingGrants(uint32_t granted) {
    std::string missing;
    for (const TName& grant : Grants) {
        if (granted & grant.Status) continue;
        if (!missing.empty()) missing += ' ';
        missing += grant.Name;
    }
    return missing;
}
