#pragma once
#include <string_view>

#include "headers/SjisOutput.h"

// The charsets the program converts with its own code, so that every build gives the same bytes:
// the Japanese ones, ASCII and Latin-1. Each reads its input once, never past its end, and turns
// every broken sequence into "?".
class TCharsetDecoders {
public:
    static void Utf8(std::string_view bytes, TSjisOutput& out);
    static void ShiftJis(std::string_view bytes, TSjisOutput& out);
    static void EucJp(std::string_view bytes, TSjisOutput& out);
    // ISO-2022-JP with JIS X 0201 kana (ESC ( I); JIS X 0213 plane 1 (the -2004 form) as far as it
    // is JIS X 0208; JIS X 0212 and the other two-byte sets of the -1/-2 forms give "?".
    static void Iso2022Jp(std::string_view bytes, TSjisOutput& out);
    static void Latin1(std::string_view bytes, TSjisOutput& out);
    static void Ascii(std::string_view bytes, TSjisOutput& out);

    // Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
    static bool IsUtf8(std::string_view bytes);
};
