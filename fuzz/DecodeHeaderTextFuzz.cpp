// Any header value: decoding must neither crash nor read or write past its buffers, and what it
// shows must be well-formed Shift_JIS.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/MainDM.h"

namespace {

// Every two-byte character has a lead byte and a trail byte; no single byte is a stray lead or
// one of the bytes code page 932 leaves unused.
bool IsWellFormedSjis(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
        if (!((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))) return false;
        if (++i == text.size()) return false;
        const unsigned char t = static_cast<unsigned char>(text[i]);
        if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    // The text for an empty value is a literal, which clang compiles as UTF-8.
    const std::string text = TMainDM::DecodeHeaderText(value);
    if (text != TMainDM::NoneText && !IsWellFormedSjis(text)) __builtin_trap();
    TMainDM::DecodeJisWords(value);
    // Conversions only ever shrink their input.
    if (TMainDM::JisToSjis(value).size() > value.size()) __builtin_trap();
    if (TMainDM::DecodeBase64(value).size() > value.size() / 4 * 3 + 2) __builtin_trap();
    return 0;
}
