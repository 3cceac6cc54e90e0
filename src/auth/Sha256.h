#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 as published in FIPS 180-4; the PKCE code challenge is made with it.
class TSha256 {
public:
    static constexpr size_t DigestSize = 32;

    TSha256();
    void Update(const void* data, size_t length);
    // Ends the computation: the 32 bytes of the digest. The object must not be updated afterwards.
    std::string Digest();

    // The 32-byte digest of bytes.
    static std::string Of(const std::string& bytes);

private:
    void Transform(const uint8_t block[64]);

    uint32_t State[8];
    uint64_t BitCount = 0;
    uint8_t Buffer[64];
};
