#include "headers/Cp932Table.h"

#include "headers/SjisText.h"

namespace {

#include "headers/Cp932TableData.inc"

}  // namespace

TCp932Table::TCp932Table() {
    auto mark = [this](unsigned code) {
        Characters[code >> 3] |= static_cast<uint8_t>(1 << (code & 7));
    };
    for (const auto& pair : Cp932Encoded) {
        Codes[pair[0]] = pair[1];
        if (pair[1] >= 0x100) mark(pair[1]);
    }
    for (uint16_t code : Cp932OtherCodes) mark(code);
    for (unsigned row = 0; row < 94; ++row) {
        for (unsigned cell = 0; cell < 94; ++cell) {
            const uint16_t code =
                SjisText::FromJis(static_cast<uint16_t>((row + 0x21) << 8 | (cell + 0x21)));
            if (IsCharacter(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF))) {
                JisCodes[row][cell] = code;
            }
        }
    }
}

const TCp932Table& TCp932Table::Get() {
    static const TCp932Table table;
    return table;
}
