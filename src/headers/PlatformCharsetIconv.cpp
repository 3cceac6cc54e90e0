#include <errno.h>
#include <iconv.h>

#include "headers/PlatformCharset.h"

namespace {

const iconv_t NoHandle = reinterpret_cast<iconv_t>(-1);

// One conversion to UTF-32 (little-endian, no byte order mark), closed when done.
class TIconv {
public:
    explicit TIconv(const char* from) : Handle(iconv_open("UTF-32LE", from)) {}
    ~TIconv() {
        if (Handle != NoHandle) iconv_close(Handle);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    const iconv_t Handle;
};

void Emit(const char* units, size_t bytes, TSjisOutput& out) {
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
        const auto* u = reinterpret_cast<const unsigned char*>(units + i);
        out.Unicode(uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 |
                    uint32_t(u[3]) << 24);
    }
}

}  // namespace

bool TPlatformCharset::Available(unsigned, const char* iconvName) {
    return TIconv(iconvName).Handle != NoHandle;
}

bool TPlatformCharset::Decode(unsigned, const char* iconvName, std::string_view bytes,
                              TSjisOutput& out) {
    TIconv cd(iconvName);
    if (cd.Handle == NoHandle) return false;
    char* src = const_cast<char*>(bytes.data());
    size_t srcLeft = bytes.size();
    char buffer[1024];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t done = iconv(cd.Handle, &src, &srcLeft, &dst, &dstLeft);
        const int error = errno;
        Emit(buffer, sizeof buffer - dstLeft, out);
        if (done != static_cast<size_t>(-1) || error == E2BIG) continue;
        // A broken sequence: one "?", then go on behind its first byte; an incomplete one at
        // the end: one "?" and done.
        out.Broken();
        if (error != EILSEQ) break;
        ++src, --srcLeft;
        iconv(cd.Handle, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}
