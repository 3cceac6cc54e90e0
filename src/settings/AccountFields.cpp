#include "settings/AccountFields.h"

#include <cstdint>

#include "headers/ConvertError.h"
#include "headers/MainDM.h"
#include "headers/SjisText.h"
#include "settings/AccountStore.h"

namespace AccountFields {

namespace {

bool ReadPort(const std::string& text, int& port) {
    int32_t value = 0;
    if (!SjisText::ToInt32(text, value) || value < 0 || value > MaxPort) return false;
    port = value;
    return true;
}

std::string FoldedName(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (SjisText::IsLeadByte(folded[i]))
            ++i;
        else if (folded[i] >= 'a' && folded[i] <= 'z')
            folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
    }
    return folded;
}

}  // namespace

TServerParts SplitServer(const std::string& serverText) {
    TServerParts parts;
    const std::string text = SjisText::Trim(serverText);
    const size_t colon = SjisText::FindChar(text, ':');
    if (colon != std::string::npos) {
        // Beyond 65535 the packed port would wrap; such a text counts as no port at all.
        int port = 0;
        if (!ReadPort(SjisText::Trim(text.substr(colon + 1)), port)) {
            parts.Host = SjisText::Trim(text.substr(0, colon));
            return parts;
        }
    }
    try {
        const std::string packed = TMainDM::PackServerAddress(text);
        const uint16_t networkOrder = TMainDM::HexToPort(packed.substr(0, 4));
        parts.Port = static_cast<uint16_t>(networkOrder >> 8 | (networkOrder & 0xFF) << 8);
        parts.Host = packed.substr(4);
    } catch (const EConvertError&) {
        parts.Host = SjisText::Trim(text.substr(0, colon));
    }
    return parts;
}

std::string PortSuffix(const std::string& portText) {
    int port = 0;
    if (!ReadPort(portText, port) || portText == "110") return "";
    return ":" + portText;
}

std::string PortForSecurity(const std::string& portText, int security) {
    int port = 0;
    if (!ReadPort(SjisText::Trim(portText), port)) return portText;
    if (security == kSecuritySslTls && port == DefaultPort) return std::to_string(TlsPort);
    if (security != kSecuritySslTls && port == TlsPort) return std::to_string(DefaultPort);
    return portText;
}

std::string HeaderName(const std::string& text) {
    std::string name = SjisText::Trim(text);
    if (!name.empty() && name.back() != ':') name += ':';
    return name;
}

std::string DesignHeader(const std::string& comboText, const std::string& noneText) {
    const std::string text = SjisText::Trim(comboText);
    if (text.empty() || text == noneText) return "";
    return HeaderName(text);
}

bool SameName(const std::string& a, const std::string& b) { return FoldedName(a) == FoldedName(b); }

// The lamp is drawn over the caption's first characters.
const std::string LampRoom = "  ";

std::string TabName(const std::string& caption, bool lampShown) {
    if (lampShown && caption.compare(0, LampRoom.size(), LampRoom) == 0)
        return caption.substr(LampRoom.size());
    return caption;
}

std::string TabCaption(const std::string& name, bool lampShown) {
    return lampShown ? LampRoom + name : name;
}

int AutoDelModeFor(TModeChoice choice, size_t ruleCount, bool checksOn) {
    switch (choice) {
        case TModeChoice::HeaderSearch:
            return ruleCount > 0 || checksOn ? kAutoDelHeaderSearch : kAutoDelNone;
        case TModeChoice::PostPet:
            return kAutoDelPostPet;
        case TModeChoice::None:
            break;
    }
    return kAutoDelNone;
}

}  // namespace AccountFields
