#include "headers/Cp932Table.h"

namespace {

#include "headers/Cp932TableData.inc"

}  // namespace

TCp932Table::TCp932Table() : Codes(0x10000, 0), Characters(0x10000, 0) {
    for (const auto& pair : Cp932Encoded) {
        Codes[pair[0]] = pair[1];
        if (pair[1] >= 0x100) Characters[pair[1]] = 1;
    }
    for (uint16_t code : Cp932OtherCodes) Characters[code] = 1;
}

const TCp932Table& TCp932Table::Get() {
    static const TCp932Table table;
    return table;
}
