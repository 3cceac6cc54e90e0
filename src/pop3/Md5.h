#pragma once
#include <cstdint>
#include <string>

// MD5 message digest as published in RFC 1321; used for the APOP digest.
class TMd5 {
public:
    TMd5();
    void Update(const void* data, size_t length);
    // Ends the computation; the object must not be updated afterwards.
    std::string HexDigest();

    // Digest of `text` as 32 lower-case hexadecimal digits.
    static std::string Hex(const std::string& text);

private:
    void Transform(const uint8_t block[64]);

    uint32_t State[4];
    uint64_t BitCount;
    uint8_t Buffer[64];
};
