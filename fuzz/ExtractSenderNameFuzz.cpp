// Any decoded From: value gives a sender name taken from it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/MainDM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string from(reinterpret_cast<const char*>(data), size);
    if (TMainDM::ExtractSenderName(from).size() > from.size()) __builtin_trap();
    return 0;
}
