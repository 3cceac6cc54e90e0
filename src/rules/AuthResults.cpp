#include "rules/AuthResults.h"

#include <cstring>

#include "rules/HeaderField.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string text) {
    for (char& c : text) c = Lower(c);
    return text;
}

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// The value cut into tokens: words, quoted strings and the separators ";" "=" "/", with blanks
// and (nested) comments skipped. One pass, each byte read once.
class TTokenizer {
public:
    enum TKind { End, Word, Quoted, Separator, Broken };

    explicit TTokenizer(std::string_view text) : Text(text) {}

    TKind Next(std::string& token) {
        token.clear();
        if (!SkipBlanksAndComments()) return Broken;
        if (At >= Text.size()) return End;
        const char c = Text[At];
        if (c == ';' || c == '=' || c == '/') {
            token = c;
            ++At;
            return Separator;
        }
        if (c == '"') return ReadQuoted(token) ? Quoted : Broken;
        if (c == ')') return Broken;  // closes no comment
        while (At < Text.size() && !EndsWord(Text[At])) token += Text[At++];
        return Word;
    }

private:
    static bool EndsWord(char c) {
        return static_cast<unsigned char>(c) <= 0x20 || std::strchr(";=/()\"", c) != nullptr;
    }

    // False for a comment left open.
    bool SkipBlanksAndComments() {
        size_t depth = 0;
        for (; At < Text.size(); ++At) {
            const char c = Text[At];
            if (depth > 0 && c == '\\') {
                ++At;  // a quoted pair inside a comment
            } else if (c == '(') {
                ++depth;
            } else if (depth > 0 && c == ')') {
                --depth;
            } else if (depth == 0 && static_cast<unsigned char>(c) > 0x20) {
                return true;
            }
        }
        return depth == 0;
    }

    bool ReadQuoted(std::string& token) {
        for (++At; At < Text.size(); ++At) {
            const char c = Text[At];
            if (c == '"') {
                ++At;
                return true;
            }
            if (c == '\\' && At + 1 < Text.size()) ++At;
            token += Text[At];
        }
        return false;
    }

    std::string_view Text;
    size_t At = 0;
};

bool IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

bool TAuthResults::Parse(std::string_view value, TAuthResults& out) {
    out = TAuthResults();
    TTokenizer tokens(value);
    std::string token;
    TTokenizer::TKind kind = tokens.Next(token);
    if ((kind != TTokenizer::Word && kind != TTokenizer::Quoted) || token.empty()) return false;
    out.AuthServId = token;
    kind = tokens.Next(token);
    if (kind == TTokenizer::Word && IsDigits(token)) kind = tokens.Next(token);  // the version
    // Each result: ";" method ["/" version] "=" value, then a reason and properties we skip;
    // "; none" stands for no result at all.
    while (kind != TTokenizer::End) {
        if (kind != TTokenizer::Separator || token != ";") return false;
        std::string method;
        if (tokens.Next(method) != TTokenizer::Word) return false;
        kind = tokens.Next(token);
        if (kind == TTokenizer::Separator && token == "/") {
            if (tokens.Next(token) != TTokenizer::Word) return false;
            kind = tokens.Next(token);
        }
        if (kind == TTokenizer::Separator && token == "=") {
            std::string result;
            if (tokens.Next(result) != TTokenizer::Word || result.empty()) return false;
            out.Results.push_back({Lowered(method), Lowered(result)});
            kind = tokens.Next(token);
        } else if (!SameAscii(method, "none") || !out.Results.empty()) {
            return false;
        }
        // The rest of this result, up to the next ";".
        while (kind != TTokenizer::End && !(kind == TTokenizer::Separator && token == ";")) {
            if (kind == TTokenizer::Broken) return false;
            kind = tokens.Next(token);
        }
    }
    return true;
}

bool TAuthResults::ReportsDmarcFail(std::string_view value, std::string_view authServId) {
    TAuthResults parsed;
    if (authServId.empty() || !Parse(value, parsed) || !SameAscii(parsed.AuthServId, authServId))
        return false;
    for (const TResult& result : parsed.Results) {
        if (result.Method == "dmarc" && result.Value == "fail") return true;
    }
    return false;
}

std::string TAuthResults::TopmostAuthServId(const std::vector<std::string>& lines) {
    const size_t nameSize = std::strlen(FieldName);
    for (const std::string& line : lines) {
        if (!HeaderField::HasName(line, FieldName)) continue;
        // Only the topmost counts: the ones below it may come from anyone.
        TAuthResults parsed;
        return Parse(HeaderField::Value(line, nameSize), parsed) ? parsed.AuthServId
                                                                 : std::string();
    }
    return std::string();
}
