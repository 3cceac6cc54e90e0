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

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One written address as the lists see it: blanks next to "@" or "." dropped, the word that
// holds the "@" kept, the domain's brackets and final dot dropped. Empty when it is no address.
std::string NormalAddress(const std::string& written) {
    std::string joined;
    for (size_t i = 0; i < written.size(); ++i) {
        if (!IsBlankByte(written[i])) {
            joined += written[i];
            continue;
        }
        size_t next = i;
        while (next < written.size() && IsBlankByte(written[next])) ++next;
        const bool glued = (!joined.empty() && (joined.back() == '@' || joined.back() == '.')) ||
                           (next < written.size() && (written[next] == '@' || written[next] == '.'));
        if (!glued) joined += ' ';
        i = next - 1;
    }
    std::string word;
    for (size_t start = 0; start <= joined.size();) {
        size_t end = joined.find(' ', start);
        if (end == std::string::npos) end = joined.size();
        if (joined.find('@', start) < end) word = joined.substr(start, end - start);
        start = end + 1;
    }
    const size_t at = word.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 >= word.size()) return std::string();
    std::string domain = word.substr(at + 1);
    if (domain.size() >= 2 && domain.front() == '[' && domain.back() == ']')
        domain = domain.substr(1, domain.size() - 2);
    while (!domain.empty() && domain.back() == '.') domain.pop_back();
    if (domain.empty()) return std::string();
    std::string address = word.substr(0, at + 1) + domain;
    for (char& c : address) c = Lower(c);
    return address;
}

}  // namespace

std::vector<std::string> TFromField::Addresses(std::string_view value) {
    std::vector<std::string> addresses;
    std::string plain, angle;  // the mailbox's text outside and inside "<>", quotes opened
    bool quoted = false, inAngle = false, sawAngle = false, inLiteral = false;
    size_t depth = 0;
    auto endMailbox = [&]() {
        const std::string address = NormalAddress(sawAngle ? angle : plain);
        if (!address.empty()) addresses.push_back(address);
        plain.clear();
        angle.clear();
        sawAngle = inAngle = false;
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        std::string& part = inAngle ? angle : plain;
        if (SjisText::IsLeadByte(c) && i + 1 < value.size()) {
            if (depth == 0) part.append(value.substr(i, 2));
            ++i;
        } else if (depth > 0) {
            if (c == '\\') ++i;
            else if (c == '(') ++depth;
            else if (c == ')') --depth;
        } else if (quoted) {
            if (c == '"') quoted = false;
            else part += c == '\\' && i + 1 < value.size() ? value[++i] : c;
        } else if (inLiteral) {
            part += c;
            inLiteral = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '(') {
            depth = 1;
        } else if (c == '[') {
            part += c;
            inLiteral = true;
        } else if (c == '<' && !inAngle) {
            inAngle = sawAngle = true;
            angle.clear();
        } else if (c == '>' && inAngle) {
            inAngle = false;
        } else if (c == ':') {
            // A group's name, or a route inside "<>": the address follows.
            part.clear();
        } else if ((c == ',' && !inAngle) || c == ';') {
            endMailbox();
        } else if (c == ',') {
            angle.clear();  // between the hops of a route
        } else {
            part += c;
        }
    }
    endMailbox();
    return addresses;
}

TFromField TFromField::Parse(std::string_view value) {
    TFromField field;
    std::string outside;  // text outside quotes and comments, before "<" or ","
    std::string ignored;  // the address: Addresses reads it
    std::string comment;
    bool inAngle = false, sawAngle = false;
    size_t depth = 0;
    bool quoted = false;
    auto part = [&]() -> std::string& {
        return quoted ? field.DisplayName : depth > 0 ? comment : inAngle ? ignored : outside;
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
    if (sawAngle) {
        // "Name <addr>": the words before the bracket belong to the name.
        const std::string words = Trimmed(outside);
        if (!words.empty())
            field.DisplayName = field.DisplayName.empty() ? words : field.DisplayName + " " + words;
    } else if (field.DisplayName.empty()) {
        // "addr (Name)" or a bare address.
        field.DisplayName = Trimmed(comment);
    }
    // The address as the lists read it: quoted or blank-split forms name the same mailbox.
    const std::vector<std::string> addresses = Addresses(value);
    if (addresses.empty()) return field;
    field.Address = addresses.front();
    field.Domain = field.Address.substr(field.Address.rfind('@') + 1);
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
