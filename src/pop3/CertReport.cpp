#include "pop3/CertReport.h"

namespace {

std::string Hex(const std::string& bytes, const char* digits, const char* separator) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += separator;
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

}  // namespace

std::string FingerprintText(const std::string& sha256) {
    return "SHA-256: " + Hex(sha256, "0123456789ABCDEF", ":");
}

std::string CertHashText(const std::string& sha256) { return Hex(sha256, "0123456789abcdef", ""); }
