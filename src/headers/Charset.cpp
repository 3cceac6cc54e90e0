#include "headers/Charset.h"

#include <atomic>
#include <iterator>

#include "headers/CharsetDecoders.h"
#include "headers/PlatformCharset.h"

namespace {

using TKind = TCharset::TKind;

const struct {
    std::string_view Name;  // lower case
    TKind Kind;
    unsigned CodePage;
    const char* IconvName;
} Names[] = {
    {"utf-8", TKind::Utf8, 65001, nullptr},
    {"utf8", TKind::Utf8, 65001, nullptr},
    {"iso-2022-jp", TKind::Iso2022Jp, 50220, nullptr},
    {"iso-2022-jp-1", TKind::Iso2022Jp, 50220, nullptr},
    {"iso-2022-jp-2", TKind::Iso2022Jp, 50220, nullptr},
    {"iso-2022-jp-3", TKind::Iso2022Jp, 50220, nullptr},
    {"iso-2022-jp-2004", TKind::Iso2022Jp, 50220, nullptr},
    {"csiso2022jp", TKind::Iso2022Jp, 50220, nullptr},
    {"shift_jis", TKind::ShiftJis, 932, nullptr},
    {"shift-jis", TKind::ShiftJis, 932, nullptr},
    {"sjis", TKind::ShiftJis, 932, nullptr},
    {"x-sjis", TKind::ShiftJis, 932, nullptr},
    {"ms_kanji", TKind::ShiftJis, 932, nullptr},
    {"csshiftjis", TKind::ShiftJis, 932, nullptr},
    {"windows-31j", TKind::ShiftJis, 932, nullptr},
    {"cp932", TKind::ShiftJis, 932, nullptr},
    {"ms932", TKind::ShiftJis, 932, nullptr},
    {"euc-jp", TKind::EucJp, 51932, nullptr},
    {"x-euc-jp", TKind::EucJp, 51932, nullptr},
    {"eucjp", TKind::EucJp, 51932, nullptr},
    {"cseucpkdfmtjapanese", TKind::EucJp, 51932, nullptr},
    {"us-ascii", TKind::Ascii, 20127, nullptr},
    {"ascii", TKind::Ascii, 20127, nullptr},
    {"iso-8859-1", TKind::Latin1, 28591, nullptr},
    {"latin1", TKind::Latin1, 28591, nullptr},
    {"iso-8859-2", TKind::Platform, 28592, "ISO-8859-2"},
    {"iso-8859-3", TKind::Platform, 28593, "ISO-8859-3"},
    {"iso-8859-4", TKind::Platform, 28594, "ISO-8859-4"},
    {"iso-8859-5", TKind::Platform, 28595, "ISO-8859-5"},
    {"iso-8859-6", TKind::Platform, 28596, "ISO-8859-6"},
    {"iso-8859-7", TKind::Platform, 28597, "ISO-8859-7"},
    {"iso-8859-8", TKind::Platform, 28598, "ISO-8859-8"},
    {"iso-8859-9", TKind::Platform, 28599, "ISO-8859-9"},
    {"iso-8859-10", TKind::Platform, 28600, "ISO-8859-10"},
    {"iso-8859-11", TKind::Platform, 874, "ISO-8859-11"},
    {"iso-8859-13", TKind::Platform, 28603, "ISO-8859-13"},
    {"iso-8859-14", TKind::Platform, 28604, "ISO-8859-14"},
    {"iso-8859-15", TKind::Platform, 28605, "ISO-8859-15"},
    {"windows-1250", TKind::Platform, 1250, "CP1250"},
    {"windows-1251", TKind::Platform, 1251, "CP1251"},
    {"windows-1252", TKind::Platform, 1252, "CP1252"},
    {"cp1252", TKind::Platform, 1252, "CP1252"},
    {"windows-1253", TKind::Platform, 1253, "CP1253"},
    {"windows-1254", TKind::Platform, 1254, "CP1254"},
    {"windows-1257", TKind::Platform, 1257, "CP1257"},
    // GB2312 text is GBK text; Windows lacks GB18030 under Wine, so its two-byte part goes
    // through GBK there.
    {"gb2312", TKind::Platform, 936, "GBK"},
    {"euc-cn", TKind::Platform, 936, "GBK"},
    {"gbk", TKind::Platform, 936, "GBK"},
    {"cp936", TKind::Platform, 936, "GBK"},
    {"x-gbk", TKind::Platform, 936, "GBK"},
    {"gb18030", TKind::Platform, 936, "GB18030"},
    {"big5", TKind::Platform, 950, "BIG5"},
    {"big5-hkscs", TKind::Platform, 950, "BIG5-HKSCS"},
    {"cp950", TKind::Platform, 950, "BIG5"},
    {"euc-kr", TKind::Platform, 949, "CP949"},
    {"ks_c_5601-1987", TKind::Platform, 949, "CP949"},
    {"ks_c_5601", TKind::Platform, 949, "CP949"},
    {"cp949", TKind::Platform, 949, "CP949"},
    {"koi8-r", TKind::Platform, 20866, "KOI8-R"},
    {"koi8-u", TKind::Platform, 21866, "KOI8-U"},
};

bool EqualsLowerCase(std::string_view name, std::string_view lower) {
    if (name.size() != lower.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? char(name[i] - 'A' + 'a') : name[i];
        if (c != lower[i]) return false;
    }
    return true;
}

// Whether the platform converts the charset of Names[i]. Asked once a charset: opening a
// converter costs far more than converting a word.
bool PlatformConverts(size_t i) {
    static std::atomic<signed char> answers[std::size(Names)];  // 0 not asked, 1 yes, -1 no
    signed char answer = answers[i].load(std::memory_order_relaxed);
    if (answer == 0) {
        answer = TPlatformCharset::Available(Names[i].CodePage, Names[i].IconvName) ? 1 : -1;
        answers[i].store(answer, std::memory_order_relaxed);
    }
    return answer > 0;
}

}  // namespace

TCharset TCharset::Find(std::string_view name) {
    size_t length = 0;  // up to a language suffix; a plain loop, names are short
    while (length < name.size() && name[length] != '*') ++length;
    name = name.substr(0, length);
    for (size_t i = 0; i < std::size(Names); ++i) {
        const auto& entry = Names[i];
        if (!EqualsLowerCase(name, entry.Name)) continue;
        if (entry.Kind == TKind::Platform && !PlatformConverts(i)) return TCharset();
        return TCharset(entry.Kind, entry.CodePage, entry.IconvName);
    }
    return TCharset();
}

void TCharset::Decode(std::string_view bytes, std::string& out) const {
    TSjisOutput sjis(out);
    switch (Kind) {
        case TKind::Utf8:
            return TCharsetDecoders::Utf8(bytes, sjis);
        case TKind::ShiftJis:
            return TCharsetDecoders::ShiftJis(bytes, sjis);
        case TKind::EucJp:
            return TCharsetDecoders::EucJp(bytes, sjis);
        case TKind::Iso2022Jp:
            return TCharsetDecoders::Iso2022Jp(bytes, sjis);
        case TKind::Latin1:
            return TCharsetDecoders::Latin1(bytes, sjis);
        case TKind::Ascii:
            return TCharsetDecoders::Ascii(bytes, sjis);
        case TKind::Platform:
            // Available was checked when the name was found; a converter that fails after
            // all still gives no raw bytes.
            if (!TPlatformCharset::Decode(CodePage, IconvName, bytes, sjis)) sjis.Broken();
            return;
        case TKind::Unknown:
            return TCharsetDecoders::Ascii(bytes, sjis);
    }
}
