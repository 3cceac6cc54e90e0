#include "auth/RandomBytes.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <cstdio>
#endif

std::string RandomBytes(size_t count) {
    std::string bytes(count, '\0');
    if (count == 0) return bytes;
#ifdef _WIN32
    const NTSTATUS status =
        BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&bytes[0]), static_cast<ULONG>(count),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) throw std::runtime_error("乱数を得られませんでした。");
#else
    std::FILE* source = std::fopen("/dev/urandom", "rb");
    const size_t read = source ? std::fread(&bytes[0], 1, count, source) : 0;
    if (source) std::fclose(source);
    if (read != count) throw std::runtime_error("乱数を得られませんでした。");
#endif
    return bytes;
}
