#include "rules/FromField.h"

#include "headers/SjisText.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDomainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

// A character an address's local part can end with (RFC 5322 atext or "."), ASCII only.
bool IsLocalChar(char c) {
    if (IsDomainChar(c) || c == '_') return true;
    return c != 0 && std::string_view("!#$%&'*+/=?^`{|}~").find(c) != std::string_view::npos;
}

// The characters that change what the text around them is.
bool IsSpecial(char c) {
    return c == '"' || c == '(' || c == ')' || c == '<' || c == '>' || c == ',' || c == '\\';
}

std::string Trimmed(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && SjisText::IsBlank(text[first])) ++first;
    while (last > first && SjisText::IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

}  // namespace

TFromField TFromField::Parse(std::string_view value) {
    TFromField field;
    std::string outside;  // text outside quotes and comments, before "<" or ","
    std::string comment;
    std::string angle;
    bool inAngle = false, sawAngle = false;
    size_t depth = 0;
    bool quoted = false;
    auto part = [&]() -> std::string& {
        return quoted ? field.DisplayName : depth > 0 ? comment : inAngle ? angle : outside;
    };
    for (size_t i = 0; i < value.size();) {
        // A run of ordinary characters goes to its part whole; a two-byte character is never
        // cut (its second byte may be "\\").
        size_t run = i;
        while (run < value.size() && !IsSpecial(value[run]))
            run += SjisText::IsLeadByte(value[run]) && run + 1 < value.size() ? 2 : 1;
        if (run > i) {
            part().append(value.substr(i, run - i));
            i = run;
            continue;
        }
        const char c = value[i++];
        if (quoted || depth > 0) {
            if (quoted && c == '"') {
                quoted = false;
            } else if (!quoted && c == ')' && --depth == 0) {
                // the comment ends
            } else {
                if (!quoted && c == '(') ++depth;
                // A quoted pair stands for its second character.
                part() += c == '\\' && i < value.size() ? value[i++] : c;
            }
        } else if (c == '(') {
            depth = 1;
        } else if (inAngle) {
            if (c == '>') break;
            angle += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == '<') {
            inAngle = sawAngle = true;
        } else if (c == ',') {
            break;  // the first mailbox only
        } else {
            outside += c;
        }
    }
    std::string address;
    if (sawAngle) {
        // "Name <addr>": the words before the bracket belong to the name.
        const std::string words = Trimmed(outside);
        if (!words.empty())
            field.DisplayName = field.DisplayName.empty() ? words : field.DisplayName + " " + words;
        address = Trimmed(angle);
    } else {
        // "addr (Name)" or a bare address.
        address = Trimmed(outside);
        if (field.DisplayName.empty()) field.DisplayName = Trimmed(comment);
    }
    const size_t at = address.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return field;
    for (char& c : address) c = Lower(c);
    field.Domain = address.substr(at + 1);
    if (!field.Domain.empty() && field.Domain.back() == '.') field.Domain.pop_back();
    field.Address = std::move(address);
    return field;
}

bool TFromField::IsWithin(std::string_view domain, std::string_view parent) {
    if (parent.empty() || domain.size() < parent.size()) return false;
    const size_t cut = domain.size() - parent.size();
    for (size_t i = 0; i < parent.size(); ++i) {
        if (Lower(domain[cut + i]) != Lower(parent[i])) return false;
    }
    return cut == 0 || domain[cut - 1] == '.';
}

std::string TFromField::ForeignAddressDomain(const std::string& name,
                                             const std::string& fromDomain) {
    char previous = 0;  // the character before, 0 after a two-byte one
    for (size_t i = 0; i < name.size(); ++i) {
        if (SjisText::IsLeadByte(name[i])) {
            ++i;
            previous = 0;
            continue;
        }
        const bool startsDomain = name[i] == '@' && IsLocalChar(previous);
        previous = name[i];
        if (!startsDomain) continue;
        size_t end = i + 1;
        while (end < name.size() && IsDomainChar(name[end])) ++end;
        std::string domain;
        for (size_t k = i + 1; k < end; ++k) domain += Lower(name[k]);
        while (!domain.empty() && domain.back() == '.') domain.pop_back();
        if (end > i + 1) {
            i = end - 1;
            previous = name[i];
        }
        if (domain.find('.') == std::string::npos || domain.front() == '.' ||
            domain.find("..") != std::string::npos)
            continue;
        if (!IsWithin(domain, fromDomain)) return domain;
    }
    return std::string();
}
