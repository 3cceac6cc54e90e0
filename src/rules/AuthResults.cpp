#include "rules/AuthResults.h"

#include <cstring>
#include <unordered_map>

#include "headers/SjisSearch.h"
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

    // `token` views the text: a word, a separator, or a quoted string's inside (quoted pairs
    // still escaped).
    TKind Next(std::string_view& token) {
        token = std::string_view();
        if (!SkipBlanksAndComments()) return Broken;
        if (At >= Text.size()) return End;
        const char c = Text[At];
        if (c == ';' || c == '=' || c == '/') {
            token = Text.substr(At++, 1);
            return Separator;
        }
        if (c == '"') return ReadQuoted(token) ? Quoted : Broken;
        if (c == ')') {
            ++At;
            return Broken;  // closes no comment
        }
        const size_t start = At;
        while (At < Text.size() && !EndsWord(Text[At])) ++At;
        token = Text.substr(start, At - start);
        return Word;
    }

    // After a broken token: on to the next ";" as written, from just after the quote or the
    // bracket that broke, since whatever they seemed to open never closes.
    TKind Recover(std::string_view& token) {
        while (At < Text.size() && Text[At] != ';') ++At;
        if (At >= Text.size()) return End;
        token = Text.substr(At++, 1);
        return Separator;
    }

private:
    static bool EndsWord(char c) {
        static constexpr struct TTable {
            bool Ends[256] = {};
            constexpr TTable() {
                for (int b = 0; b <= 0x20; ++b) Ends[b] = true;
                for (const char e : {';', '=', '/', '(', ')', '"'})
                    Ends[static_cast<int>(e)] = true;
            }
        } table;
        return table.Ends[static_cast<unsigned char>(c)];
    }

    // False for a comment left open; reading then goes on after its "(".
    bool SkipBlanksAndComments() {
        size_t depth = 0, opened = 0;
        for (; At < Text.size(); ++At) {
            const char c = Text[At];
            if (depth > 0 && c == '\\') {
                ++At;  // a quoted pair inside a comment
            } else if (c == '(') {
                if (depth++ == 0) opened = At;
            } else if (depth > 0 && c == ')') {
                --depth;
            } else if (depth == 0 && static_cast<unsigned char>(c) > 0x20) {
                return true;
            }
        }
        if (depth == 0) return true;
        At = opened + 1;
        return false;
    }

    bool ReadQuoted(std::string_view& token) {
        const size_t start = ++At;
        for (; At < Text.size(); ++At) {
            if (Text[At] == '"') {
                token = Text.substr(start, At++ - start);
                return true;
            }
            if (Text[At] == '\\') ++At;
        }
        At = start;
        return false;
    }

    std::string_view Text;
    size_t At = 0;
};

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string Unquoted(std::string_view quoted) {
    std::string text;
    for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
        text += quoted[i];
    }
    return text;
}

// The kind of the ";" that starts the next result, or End: the rest of a result is skipped,
// a broken token through TTokenizer::Recover.
TTokenizer::TKind SkipToNextResult(TTokenizer& tokens, TTokenizer::TKind kind,
                                   std::string_view& token) {
    while (kind != TTokenizer::End && !(kind == TTokenizer::Separator && token == ";"))
        kind = kind == TTokenizer::Broken ? tokens.Recover(token) : tokens.Next(token);
    return kind;
}

// Reads a whole value, giving `onResult` each method and its result; false when it has no
// authserv-id. A result that does not follow the grammar (a sender's text the provider copied
// may hold a lone quote or bracket) costs itself only: reading goes on at the next ";", as
// RFC 8601 parsers do. Nothing is copied but the authserv-id.
template <class F>
bool Walk(std::string_view value, std::string& authServId, F onResult) {
    TTokenizer tokens(value);
    std::string_view token;
    TTokenizer::TKind kind = tokens.Next(token);
    if ((kind != TTokenizer::Word && kind != TTokenizer::Quoted) || token.empty()) return false;
    authServId = kind == TTokenizer::Quoted ? Unquoted(token) : std::string(token);
    if (authServId.empty()) return false;
    kind = tokens.Next(token);
    if (kind == TTokenizer::Word && IsDigits(token)) kind = tokens.Next(token);  // the version
    // Each result: ";" method ["/" version] "=" value, then a reason and properties we skip;
    // "; none" stands for no result at all.
    for (kind = SkipToNextResult(tokens, kind, token); kind != TTokenizer::End;
         kind = SkipToNextResult(tokens, kind, token)) {
        std::string_view method;
        kind = tokens.Next(method);
        if (kind != TTokenizer::Word) {
            token = method;
            continue;
        }
        kind = tokens.Next(token);
        if (kind == TTokenizer::Separator && token == "/") {
            if ((kind = tokens.Next(token)) != TTokenizer::Word) continue;
            kind = tokens.Next(token);
        }
        if (kind != TTokenizer::Separator || token != "=") continue;
        std::string_view result;
        kind = tokens.Next(result);
        token = result;
        if (kind != TTokenizer::Word) continue;
        onResult(method, result);
        kind = tokens.Next(token);
    }
    return true;
}

}  // namespace

bool TAuthResults::Parse(std::string_view value, TAuthResults& out) {
    out = TAuthResults();
    return Walk(value, out.AuthServId, [&out](std::string_view method, std::string_view result) {
        out.Results.push_back({Lowered(std::string(method)), Lowered(std::string(result))});
    });
}

bool TAuthResults::ReportsDmarcFail(std::string_view value, std::string_view authServId) {
    if (authServId.empty()) return false;
    std::string id;
    bool fail = false;
    const bool wellFormed =
        Walk(value, id, [&fail](std::string_view method, std::string_view result) {
            fail = fail || (SameAscii(method, "dmarc") && SameAscii(result, "fail"));
        });
    return wellFormed && fail && SameAscii(id, authServId);
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

std::string TAuthResults::MostCommon(const std::vector<std::string>& ids) {
    struct TTally {
        size_t First;  // where the id came first
        size_t Count = 0;
    };
    std::unordered_map<std::string, TTally> tallies;
    const std::string* best = nullptr;
    const TTally* bestTally = nullptr;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i].empty()) continue;
        TTally& tally =
            tallies.try_emplace(SjisSearch::AsciiLower(ids[i]), TTally{i}).first->second;
        ++tally.Count;
        if (!bestTally || tally.Count > bestTally->Count ||
            (tally.Count == bestTally->Count && tally.First < bestTally->First)) {
            bestTally = &tally;
            best = &ids[tally.First];
        }
    }
    return best ? *best : std::string();
}
