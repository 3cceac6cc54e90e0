#include "headers/Cp932Table.h"

#include <cstddef>
#include <vector>

namespace {

#include "headers/Cp932TableData.inc"

struct TTables {
    std::vector<uint16_t> Codes = std::vector<uint16_t>(0x10000, 0);   // by BMP character
    std::vector<bool> Characters = std::vector<bool>(0x10000, false);  // by two-byte code

    TTables() {
        for (const auto& pair : Cp932Encoded) {
            Codes[pair[0]] = pair[1];
            Characters[pair[1]] = pair[1] >= 0x100;
        }
        for (uint16_t code : Cp932OtherCodes) Characters[code] = true;
    }
};

const TTables& Tables() {
    static const TTables tables;  // initialised once, safely from any thread
    return tables;
}

}  // namespace

uint16_t TCp932Table::FromUnicode(uint32_t ch) { return ch < 0x10000 ? Tables().Codes[ch] : 0; }

bool TCp932Table::IsCharacter(uint8_t lead, uint8_t trail) {
    return Tables().Characters[static_cast<size_t>(lead) << 8 | trail];
}
