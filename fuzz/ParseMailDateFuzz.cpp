// Any Date: value gives a date the mail list can show.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/MainDM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const double t = TMainDM::ParseMailDate(std::string(reinterpret_cast<const char*>(data), size));
    if (TMainDM::DateSortKey(t).size() != 16) __builtin_trap();
    TMainDM::FormatListDate(t);
    return 0;
}
