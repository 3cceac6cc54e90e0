// Short sender names from From: values.
#include "headers/MainDM.h"
#include "headers/SjisText.h"

using SjisText::FindChar;
using SjisText::Trim;

std::string TMainDM::ExtractSenderName(const std::string& from) {
    std::string text = Trim(from);
    const size_t quote = FindChar(text, '"');
    const size_t paren = FindChar(text, '(');
    const size_t angle = FindChar(text, '<');
    if (quote == std::string::npos && paren == std::string::npos && angle == std::string::npos)
        return text.substr(0, FindChar(text, '@'));  // a bare address: its user part

    std::string name, address;
    if (quote != std::string::npos) {
        // The display name is taken to open the text: drop its first character, whatever it is.
        text.erase(0, SjisText::IsLeadByte(text[0]) ? 2 : 1);
        const size_t close = FindChar(text, '"');
        if (close == std::string::npos) {
            address = text;
        } else {
            name = text.substr(0, close);
            address = text.substr(close + 1);
        }
    } else {
        const size_t open = paren != std::string::npos ? paren : angle;
        name = text.substr(0, open);
        address = text.substr(open);
    }
    address = SjisText::StripEnds(Trim(address));
    // A name holding an address is no name; the part in brackets or parentheses is then shown.
    return Trim(FindChar(name, '@') != std::string::npos ? address : name);
}
