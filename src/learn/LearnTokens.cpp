#include "learn/LearnTokens.h"

#include <algorithm>
#include <string_view>

#include "headers/MainDM.h"
#include "headers/SjisText.h"

namespace {

// A word longer than this is noise (an encoded blob, an id): only its length counts.
constexpr size_t kLongWord = 24;
// Addresses read from one field.
constexpr size_t kMaxAddresses = 20;
// Received fields counted from the top by their place; later ones share one prefix.
constexpr size_t kCountedRelays = 4;

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordInner(char c) { return c == '-' || c == '_' || c == '.' || c == '\'' || c == '$'; }
bool IsDomainChar(char c) { return IsAsciiAlnum(c) || c == '-' || c == '.'; }
bool IsLocalChar(char c) {
    return IsAsciiAlnum(c) ||
           std::string_view(".-_+=!#$%&'*/?^`{|}~").find(c) != std::string_view::npos;
}
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

// "a1b22" to "a9b99": numbers by their shape, not their value.
std::string DigitShape(std::string_view word) {
    std::string out(word);
    for (char& c : out)
        if (IsDigit(c)) c = '9';
    return out;
}

// The kind of each character, runs counted once: "<3F2A.1b@x.y>" gives "<9A.9a@a.a>".
std::string Shape(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 200)) {
        char k = c;
        if (IsDigit(c))
            k = '9';
        else if (c >= 'a' && c <= 'z')
            k = 'a';
        else if (c >= 'A' && c <= 'Z')
            k = 'A';
        else if (static_cast<unsigned char>(c) >= 0x80)
            k = '8';
        if (out.empty() || out.back() != k) out += k;
    }
    return out;
}

class TCollector {
public:
    explicit TCollector(std::vector<std::string>& tokens) : Tokens(tokens) {}

    bool Full() const { return Tokens.size() >= TLearnTokens::MaxTokens; }

    void Add(std::string_view prefix, std::string_view text) {
        if (Full()) return;
        std::string token;
        token.reserve(prefix.size() + 1 + text.size());
        token.append(prefix).append(1, ':').append(text);
        Tokens.push_back(std::move(token));
    }

    // ASCII words (numbers by shape) and, for text without blanks, character pairs.
    void Words(std::string_view prefix, std::string_view text) {
        size_t i = 0;
        while (i < text.size() && !Full()) {
            const char c = text[i];
            if (static_cast<unsigned char>(c) >= 0x80) {
                i = Wide(prefix, text, i);
            } else if (IsAsciiAlnum(c)) {
                size_t end = i;
                while (end < text.size() && (IsAsciiAlnum(text[end]) || IsWordInner(text[end])))
                    ++end;
                size_t last = end;
                while (last > i && IsWordInner(text[last - 1])) --last;
                Word(prefix, text.substr(i, last - i));
                i = end;
            } else {
                ++i;
            }
        }
    }

    // Every address in `text`: the local part, the domain and each domain above it.
    void Addresses(std::string_view prefix, std::string_view text) {
        size_t count = 0;
        for (size_t at = text.find('@'); at != std::string_view::npos && count < kMaxAddresses;
             at = text.find('@', at + 1)) {
            size_t start = at;
            while (start > 0 && IsLocalChar(text[start - 1])) --start;
            size_t end = at + 1;
            while (end < text.size() && IsDomainChar(text[end])) ++end;
            std::string domain = Lowered(text.substr(at + 1, end - at - 1));
            while (!domain.empty() && domain.back() == '.') domain.pop_back();
            if (start == at || domain.empty()) continue;
            ++count;
            const std::string local = Lowered(text.substr(start, at - start));
            const std::string p(prefix);
            Add(p + ".local", local.size() > kLongWord ? "long" : local);
            Add(p + ".lshape", Shape(local));
            Domain(p + ".dom", domain);
        }
        Add(std::string(prefix) + ".count", std::to_string(std::min<size_t>(count, 9)));
    }

    // A domain and each of its parents: "a.b.example.jp", "b.example.jp", "example.jp", "jp".
    void Domain(std::string_view prefix, std::string_view domain) {
        for (size_t from = 0; from < domain.size() && !Full();) {
            Add(prefix, domain.substr(from));
            const size_t dot = domain.find('.', from);
            if (dot == std::string_view::npos) break;
            from = dot + 1;
        }
    }

private:
    void Word(std::string_view prefix, std::string_view word) {
        if (word.size() < 2 && !(word.size() == 1 && IsDigit(word[0]))) return;
        bool digits = false;
        for (char c : word) digits = digits || IsDigit(c);
        std::string token;
        if (word.size() > kLongWord)
            token = "long" + std::to_string(std::min<size_t>(word.size() / 8, 9));
        else
            token = digits ? DigitShape(word) : std::string(word);
        if (Pairs && !Previous.empty()) Add(std::string(prefix) + "2", Previous + " " + token);
        Previous = token;
        Add(prefix, token);
    }

    // A run of two-byte (or half-width) characters from `i`, as overlapping pairs; a single
    // character alone. Returns where the run ends.
    size_t Wide(std::string_view prefix, std::string_view text, size_t i) {
        std::string_view previous;
        size_t count = 0;
        while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80 && !Full()) {
            const size_t size = SjisText::IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
            const std::string_view ch = text.substr(i, size);
            i += size;
            if (ch == "\x81\x40") break;  // the full-width blank parts words as a blank does
            if (count > 0) Add(prefix, std::string(previous) + std::string(ch));
            previous = ch;
            ++count;
        }
        if (count == 1) Add(prefix, previous);
        return i;
    }

    std::vector<std::string>& Tokens;

public:
    bool Pairs = false;  // also each pair of neighbouring words
    std::string Previous;
};

// The charsets of the encoded words in a raw value: "=?ISO-2022-JP?B?...?=" gives "iso-2022-jp/b".
void EncodedCharsets(TCollector& out, std::string_view value) {
    for (size_t at = value.find("=?"); at != std::string_view::npos;
         at = value.find("=?", at + 2)) {
        const size_t q1 = value.find('?', at + 2);
        if (q1 == std::string_view::npos || q1 + 2 >= value.size() || value[q1 + 2] != '?') break;
        if (q1 - at > 40) continue;
        out.Add("enc", Lowered(value.substr(at + 2, q1 - at - 2)) + "/" + Lower(value[q1 + 1]));
    }
}

// The value of a "name=value" parameter (quotes dropped), empty when absent.
std::string Parameter(std::string_view lowerValue, std::string_view value, std::string_view name) {
    const size_t at = lowerValue.find(name);
    if (at == std::string_view::npos) return "";
    size_t i = at + name.size();
    if (i < value.size() && value[i] == '"') ++i;
    size_t end = i;
    while (end < value.size() && value[end] != '"' && value[end] != ';' &&
           !SjisText::IsBlank(value[end]))
        ++end;
    return std::string(value.substr(i, end - i));
}

void ContentType(TCollector& out, std::string_view value) {
    const std::string lower = Lowered(value);
    size_t end = 0;
    while (end < lower.size() && lower[end] != ';' && !SjisText::IsBlank(lower[end])) ++end;
    out.Add("ct", lower.substr(0, end));
    const std::string charset = Lowered(Parameter(lower, value, "charset="));
    if (!charset.empty()) out.Add("ct.charset", charset);
    const std::string boundary = Parameter(lower, value, "boundary=");
    if (!boundary.empty()) out.Add("ct.boundary", Shape(boundary));
}

void Received(TCollector& out, std::string_view value, size_t place) {
    const std::string prefix =
        place <= kCountedRelays ? "r" + std::to_string(place) : std::string("r+");
    out.Words(prefix, value);
    // Dotted addresses by their networks: the sender's provider, whatever the host.
    for (size_t i = 0; i < value.size(); ++i) {
        if (!IsDigit(value[i]) || (i > 0 && (IsDigit(value[i - 1]) || value[i - 1] == '.')))
            continue;
        size_t end = i, dots = 0;
        while (end < value.size() && (IsDigit(value[end]) || value[end] == '.')) {
            dots += value[end] == '.';
            ++end;
        }
        if (dots == 3) {
            const std::string_view ip = value.substr(i, end - i);
            const size_t third = ip.rfind('.');
            out.Add(prefix + ".net", ip.substr(0, third));
            out.Add("r.net", ip.substr(0, ip.rfind('.', third - 1)));
        }
        i = end;
    }
}

void Date(TCollector& out, std::string_view value) {
    out.Add("date.shape", Shape(value));
    size_t end = value.size();
    while (end > 0 && (SjisText::IsBlank(value[end - 1]) || value[end - 1] == ')')) --end;
    size_t start = end;
    while (start > 0 && !SjisText::IsBlank(value[start - 1]) && value[start - 1] != '(') --start;
    if (start < end) out.Add("date.zone", value.substr(start, std::min<size_t>(end - start, 8)));
}

void MessageId(TCollector& out, std::string_view value) {
    out.Add("mid.shape", Shape(value));
    const size_t at = value.rfind('@');
    if (at == std::string_view::npos) return;
    size_t end = at + 1;
    while (end < value.size() && IsDomainChar(value[end])) ++end;
    out.Domain("mid.dom", Lowered(value.substr(at + 1, end - at - 1)));
}

bool IsAddressField(std::string_view name) {
    static const std::string_view names[] = {
        "from",        "to",        "cc",           "reply-to",        "sender",
        "return-path", "errors-to", "delivered-to", "x-original-to",   "resent-from",
        "resent-to",   "bcc",       "x-sender",     "x-envelope-from", "mail-followup-to",
        "in-reply-to"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// The value's readable text: the project's own decoding, without the "none" marker.
std::string Decoded(std::string_view value) {
    if (value.empty()) return "";
    return TMainDM::DecodeHeaderText(std::string(value));
}

}  // namespace

std::vector<std::string> TLearnTokens::Of(const std::vector<std::string>& lines) {
    std::vector<std::string> tokens;
    TCollector out(tokens);
    size_t relays = 0;
    std::string previous = "^";
    const size_t fields = std::min(lines.size(), MaxFields);
    for (size_t i = 0; i < fields && !out.Full(); ++i) {
        const std::string_view line = lines[i];
        const size_t colon = line.find(':');
        bool named = colon != std::string_view::npos && colon > 0 && colon <= 60;
        for (size_t k = 0; named && k < colon; ++k) named = line[k] > 0x20 && line[k] < 0x7F;
        if (!named) {
            out.Add("field", "unnamed");
            out.Words("?", line.substr(0, MaxValueBytes));
            continue;
        }
        const std::string name = Lowered(line.substr(0, colon));
        std::string_view value = line.substr(colon + 1);
        // Blanks only: an escape starting raw ISO-2022-JP is part of the value.
        while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
        while (!value.empty() && IsSpace(value.back())) value.remove_suffix(1);
        if (value.size() > MaxValueBytes) value = value.substr(0, MaxValueBytes);

        out.Add("field", name);
        // Which field follows which: mailers and spam tools keep their own order.
        out.Add("order", previous + ">" + name);
        previous = name;
        EncodedCharsets(out, value);

        if (name == "subject") {
            const std::string text = Decoded(value);
            out.Pairs = true;
            out.Previous.clear();
            out.Words("subject", text);
            out.Pairs = false;
            // Shouting and its quiet form count alike there.
            out.Words("subj", Lowered(text));
            out.Add("subject.shape", Shape(text).substr(0, 12));
        } else if (IsAddressField(name)) {
            const std::string text = Decoded(value);
            out.Addresses(name, text);
            // The display name: what is left without the addresses.
            std::string name_text;
            for (size_t k = 0; k < text.size(); ++k) {
                if (text[k] == '<') {
                    const size_t close = text.find('>', k);
                    if (close == std::string::npos) break;
                    k = close;
                } else {
                    name_text += text[k];
                }
            }
            if (name_text.find('@') == std::string::npos) out.Words(name + ".name", name_text);
        } else if (name == "received") {
            Received(out, value, ++relays);
        } else if (name == "message-id") {
            MessageId(out, value);
        } else if (name == "date") {
            Date(out, value);
        } else if (name == "content-type") {
            ContentType(out, value);
        } else if (name == "x-mailer" || name == "user-agent") {
            out.Add("mailer", Lowered(DigitShape(value.substr(0, 60))));
            out.Words("mailer", value);
        } else {
            out.Words(name, Decoded(value));
        }
    }
    out.Add("relays", std::to_string(std::min<size_t>(relays, 9)));
    out.Add("fields", std::to_string(std::min<size_t>(lines.size() / 5, 20)));
    std::sort(tokens.begin(), tokens.end());
    tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
    return tokens;
}
