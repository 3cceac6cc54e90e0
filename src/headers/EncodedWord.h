#pragma once
#include <string_view>

// One RFC 2047 encoded word, "=?charset?B?text?=" or with Q, found in a header value.
class TEncodedWord {
public:
    // The first well-formed word at or after `from`; false when there is none. The search reads
    // each byte a bounded number of times, whatever the text.
    static bool FindNext(std::string_view text, size_t from, TEncodedWord& word);

    // Base64 characters after the last whole group of four of a B text, for the text of the
    // next word to finish: some mailers split a text in the middle of a group.
    struct TBase64Rest {
        unsigned Bits = 0;
        int Count = 0;  // 0 to 3 characters
    };

    // Writes the bytes the encoded text stands for to `out`, which has room for Text.size()
    // bytes (never more are written); returns how many. B: base64, characters outside its
    // alphabet skipped, a lone last character dropped. Q: "_" is a blank, "=XX" a byte (hex
    // digits in either case), any other "=" stays as it is.
    size_t DecodeTo(char* out) const;
    // B text that continues the text of the word before: starts with the characters that word
    // left in rest and leaves its own unfinished group there ("=" padding finishes a group).
    // Writes at most (rest.Count + Text.size()) * 3 / 4 bytes.
    size_t DecodeTo(char* out, TBase64Rest& rest) const;
    // The one or two bytes of an unfinished group (a lone character gives none); rest is empty
    // after it.
    static size_t Finish(TBase64Rest& rest, char* out);

    size_t Start = 0, End = 0;  // the word is text[Start, End)
    std::string_view Charset;   // as written, language suffix included
    char Encoding = 'B';        // 'B' or 'Q', upper case
    std::string_view Text;
};
