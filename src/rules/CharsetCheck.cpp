#include "rules/CharsetCheck.h"

#include "headers/EncodedWord.h"
#include "headers/SjisText.h"

namespace {

// Longer names are no charset (the longest registered one is 45 characters).
const size_t LongestName = 64;

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

}  // namespace

TCharsetCheck::TCharsetCheck(const std::string& list) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string name = SjisText::Trim(list.substr(start, comma - start));
        if (!name.empty()) Names.emplace(Upper(name), name);
        start = comma + 1;
    }
}

std::string TCharsetCheck::Listed(std::string_view declared) const {
    declared = declared.substr(0, declared.find('*'));  // "gb2312*zh": the language goes
    if (declared.empty() || declared.size() > LongestName) return std::string();
    const auto it = Names.find(Upper(declared));
    return it == Names.end() ? std::string() : it->second;
}

std::string TCharsetCheck::Find(std::string_view value) const {
    if (Names.empty()) return std::string();
    TEncodedWord word;
    for (size_t from = 0; TEncodedWord::FindNext(value, from, word); from = word.End) {
        std::string listed = Listed(word.Charset);
        if (!listed.empty()) return listed;
    }
    // RFC 2231: "name*=charset'language'text", also in numbered sections "name*0*=".
    for (size_t at = value.find("*="); at != std::string_view::npos;
         at = value.find("*=", at + 2)) {
        // The name ends at its quote, which is looked for only as far as a name can reach.
        const std::string_view rest = value.substr(at + 2, LongestName + 1);
        const size_t quote = rest.find('\'');
        if (quote == std::string_view::npos) continue;
        std::string listed = Listed(rest.substr(0, quote));
        if (!listed.empty()) return listed;
    }
    return std::string();
}
