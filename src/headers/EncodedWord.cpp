#include "headers/EncodedWord.h"

namespace {

// RFC 2047 limits a word to 75 characters; charset names are far shorter. A longer "charset" is
// no word, which also keeps the search linear.
const size_t LongestCharset = 64;

inline bool IsWordSpace(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// The word starting with "=?" at `at`, if it is one.
bool ParseAt(std::string_view text, size_t at, TEncodedWord& word) {
    size_t i = at + 2;
    const size_t charsetStart = i;
    while (i < text.size() && text[i] != '?' && !IsWordSpace(text[i]) &&
           i - charsetStart <= LongestCharset) {
        ++i;
    }
    if (i == charsetStart || i + 2 >= text.size() || text[i] != '?') return false;
    const char encoding = text[i + 1];
    if (text[i + 2] != '?') return false;
    if (encoding != 'B' && encoding != 'b' && encoding != 'Q' && encoding != 'q') return false;
    const size_t textStart = i + 3;
    size_t end = textStart;
    while (end < text.size() && text[end] != '?' && !IsWordSpace(text[end])) ++end;
    if (end + 1 >= text.size() || text[end] != '?' || text[end + 1] != '=') return false;
    word.Start = at;
    word.End = end + 2;
    word.Charset = text.substr(charsetStart, i - charsetStart);
    word.Encoding = encoding == 'b' || encoding == 'B' ? 'B' : 'Q';
    word.Text = text.substr(textStart, end - textStart);
    return true;
}

}  // namespace

bool TEncodedWord::FindNext(std::string_view text, size_t from, TEncodedWord& word) {
    // A failed candidate reads at most its charset and one run of text without "?"; the next
    // candidate can only start at a "?" of that stretch, so every byte is read a few times.
    for (size_t at = text.find("=?", from); at != std::string_view::npos;
         at = text.find("=?", at + 1)) {
        if (ParseAt(text, at, word)) return true;
    }
    return false;
}

void TEncodedWord::AppendBytes(std::string& out) const {
    if (Encoding == 'Q') {
        for (size_t i = 0; i < Text.size(); ++i) {
            const char c = Text[i];
            if (c == '_') {
                out += ' ';
            } else if (c == '=' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 &&
                       HexValue(Text[i + 2]) >= 0) {
                out += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
                i += 2;
            } else {
                out += c;
            }
        }
        return;
    }
    unsigned bits = 0;
    int count = 0;
    for (const char c : Text) {
        if (c == '=') break;
        const int value = Base64Value(c);
        if (value < 0) continue;
        bits = (bits << 6 | static_cast<unsigned>(value)) & 0xFFFFFF;
        if (++count == 4) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8 & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            count = 0;
        }
    }
    // A final group of two or three characters gives one or two bytes.
    if (count == 2) out += static_cast<char>(bits >> 4 & 0xFF);
    if (count == 3) {
        out += static_cast<char>(bits >> 10 & 0xFF);
        out += static_cast<char>(bits >> 2 & 0xFF);
    }
}
