#include "headers/SjisOutput.h"

#include "headers/Cp932Table.h"
#include "headers/MainDM.h"

void TSjisOutput::Unicode(uint32_t ch) {
    if (ch < 0x80) {
        Ascii(static_cast<uint8_t>(ch));
        return;
    }
    const uint16_t code = TCp932Table::FromUnicode(ch);
    if (code == 0) {
        Broken();
    } else if (code < 0x100) {
        Kana(static_cast<uint8_t>(code));
    } else {
        Out += static_cast<char>(code >> 8);
        Out += static_cast<char>(code & 0xFF);
    }
}

void TSjisOutput::Sjis(uint8_t lead, uint8_t trail) {
    if (!TCp932Table::IsCharacter(lead, trail)) {
        Broken();
        return;
    }
    Out += static_cast<char>(lead);
    Out += static_cast<char>(trail);
}

void TSjisOutput::Jis(uint8_t j1, uint8_t j2) {
    const uint16_t code = TMainDM::JisCharToSjis(static_cast<uint16_t>(j1 << 8 | j2));
    Sjis(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF));
}
