#include "headers/Cp932Table.h"

namespace {

#include "headers/Cp932TableData.inc"

}  // namespace

TCp932Table::TCp932Table() : Codes(0x10000, 0), Characters(0x10000 / 8, 0) {
    auto mark = [this](unsigned code) {
        Characters[code >> 3] |= static_cast<uint8_t>(1 << (code & 7));
    };
    for (const auto& pair : Cp932Encoded) {
        Codes[pair[0]] = pair[1];
        if (pair[1] >= 0x100) mark(pair[1]);
    }
    for (uint16_t code : Cp932OtherCodes) mark(code);
}

const TCp932Table& TCp932Table::Get() {
    static const TCp932Table table;
    return table;
}
