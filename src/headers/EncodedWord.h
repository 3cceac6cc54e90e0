#pragma once
#include <string_view>

// One RFC 2047 encoded word, "=?charset?B?text?=" or with Q, found in a header value.
class TEncodedWord {
public:
    // The first well-formed word at or after `from`; false when there is none. The search reads
    // each byte a bounded number of times, whatever the text.
    static bool FindNext(std::string_view text, size_t from, TEncodedWord& word);

    // Writes the bytes the encoded text stands for to `out`, which has room for Text.size()
    // bytes (never more are written); returns how many. B: base64, characters outside its
    // alphabet skipped, a lone last character dropped. Q: "_" is a blank, "=XX" a byte (hex
    // digits in either case), any other "=" stays as it is.
    size_t DecodeTo(char* out) const;

    size_t Start = 0, End = 0;  // the word is text[Start, End)
    std::string_view Charset;   // as written, language suffix included
    char Encoding = 'B';        // 'B' or 'Q', upper case
    std::string_view Text;
};
