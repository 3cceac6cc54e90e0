#pragma once
#include <string>
#include <string_view>
#include <unordered_map>

// The charsets an account's "Charsets" names ("GB2312,GBK"), and the test whether a header
// value declares one of them: in an RFC 2047 word ("=?gb2312?B?...?=") or an RFC 2231
// parameter ("*=gb2312''..."), the name in any letter case, a language suffix ignored.
class TCharsetCheck {
public:
    // The list the account dialog offers to start with.
    static constexpr const char* DefaultList = "GB2312,GBK,GB18030,Big5,KOI8-R,EUC-KR";

    // Names separated by ","; blanks around them are dropped, empty names ignored.
    explicit TCharsetCheck(const std::string& list = std::string());

    bool Empty() const { return Names.empty(); }
    // The first listed charset `value` declares, spelled as the list spells it; empty when none.
    std::string Find(std::string_view value) const;

private:
    // The list's spelling by the upper-case name.
    std::string Listed(std::string_view declared) const;

    std::unordered_map<std::string, std::string> Names;
};
