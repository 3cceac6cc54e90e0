#pragma once
#include <string>
#include <string_view>

// A charset named in an encoded word, and its conversion to Shift_JIS.
class TCharset {
public:
    enum class TKind { Unknown, Ascii, Utf8, ShiftJis, EucJp, Iso2022Jp, Latin1, Platform };

    // The charset of a MIME name in any letter case; an RFC 2231 language suffix ("*ja") is
    // ignored. Unknown when the program cannot convert it on this platform.
    static TCharset Find(std::string_view name);

    TCharset() = default;
    TCharset(TKind kind, unsigned codePage = 0, const char* iconvName = nullptr)
        : Kind(kind), CodePage(codePage), IconvName(iconvName) {}

    bool Known() const { return Kind != TKind::Unknown; }
    bool operator==(const TCharset& other) const {
        return Kind == other.Kind && CodePage == other.CodePage;
    }
    // Appends the bytes converted to well-formed Shift_JIS.
    void Decode(std::string_view bytes, std::string& out) const;

    TKind Kind = TKind::Unknown;
    unsigned CodePage = 0;            // Windows code page, for the platform's converter
    const char* IconvName = nullptr;  // the same charset for iconv
};
