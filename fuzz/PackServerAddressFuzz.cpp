// Any server text packs or is refused with the conversion error; the packed port reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "headers/MainDM.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string server(reinterpret_cast<const char*>(data), size);
    try {
        const std::string packed = TMainDM::PackServerAddress(server);
        if (packed.size() < 4) __builtin_trap();
        const uint16_t port = TMainDM::HexToPort(packed.substr(0, 4));
        if (server.find(':') == std::string::npos && port != 0x6E00) __builtin_trap();
    } catch (const EConvertError&) {
        // A port that is no whole number: the caller shows the message.
    }
    TMainDM::HexPairToByte(server);
    TMainDM::SplitRule(server);
    return 0;
}
