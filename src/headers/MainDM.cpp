// The data module's instance and its parsers of texts the user types into settings.
#include "headers/MainDM.h"

#include <cstdio>

#include "headers/ServerAddress.h"

TMainDM MainDM;

const char* const TMainDM::NoneText = "なし";
const double TMainDM::DefaultDate = 36526.0;  // 2000/01/01 00:00:00

TRuleParts TMainDM::SplitRule(const std::string& rule) {
    const size_t comma = rule.find(',');
    if (comma == std::string::npos) return TRuleParts{std::string(), rule};
    return TRuleParts{rule.substr(0, comma), rule.substr(comma + 1)};
}

std::string TMainDM::PackServerAddress(const std::string& server) {
    const TServerAddress address = TServerAddress::Parse(server);
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X",
                  static_cast<unsigned>(address.ConnectPort(TServerAddress::DefaultPort)));
    return digits + address.Host;
}

uint16_t TMainDM::HexToPort(const std::string& hex) {
    if (hex.size() != 4) return 0;
    return static_cast<uint16_t>(HexPairToByte(hex.substr(0, 2)) | HexPairToByte(hex.substr(2, 2))
                                                                       << 8);
}

uint8_t TMainDM::HexPairToByte(const std::string& text) {
    unsigned value = 0;
    for (size_t i = 0; i < text.size() && i < 2; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return 0;
        value = (value * 16 + digit) & 0xFF;
    }
    return static_cast<uint8_t>(value);
}
