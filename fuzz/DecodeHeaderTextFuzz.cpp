// Any header value: decoding must neither crash nor write past its buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/MainDM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    TMainDM::DecodeHeaderText(value);
    // Conversions only ever shrink their input.
    if (TMainDM::JisToSjis(value).size() > value.size()) __builtin_trap();
    if (TMainDM::DecodeBase64(value).size() > value.size() / 4 * 3 + 2) __builtin_trap();
    return 0;
}
