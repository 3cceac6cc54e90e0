#pragma once
#include <string_view>

#include "headers/SjisOutput.h"

// The charsets the program leaves to the platform's converter: MultiByteToWideChar on Windows,
// iconv elsewhere. Their characters then go through the program's own code page 932 table.
class TPlatformCharset {
public:
    // Whether this platform converts the charset, named by its Windows code page and iconv name.
    static bool Available(unsigned codePage, const char* iconvName);
    // Converts; a broken sequence gives "?". False (nothing appended) when unavailable.
    static bool Decode(unsigned codePage, const char* iconvName, std::string_view bytes,
                       TSjisOutput& out);
};
