#include "rules/SenderList.h"

#include <algorithm>

#include "headers/SjisText.h"

namespace {

// RFC 5321's limits; longer text is no address, and no look-up ever walks more.
const size_t LongestDomain = 253;
const size_t LongestAddress = 254;
const size_t LongestLabel = 63;

const char* const NotAsciiText =
    "全角文字や日本語は使えません。半角英数字で入力してください(日本語のドメイン名は「xn--」で始"
    "まる形で入力します)。";
const char* const WildcardText =
    "ワイルドカード(*、?)は使えません。ドメイン名だけを入力すると、そのサブドメインにも当てはまり"
    "ます。";
const char* const BlankText = "途中に空白があります。";
const char* const MalformedText =
    "メールアドレス(例: taro@example.jp)かドメイン名(例: example.jp)の形になっていません。";
const char* const EmptyText = "何も入力されていません。";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDomain(std::string_view domain) {
    if (domain.empty() || domain.size() > LongestDomain) return false;
    size_t labelStart = 0;
    for (size_t i = 0; i <= domain.size(); ++i) {
        if (i < domain.size() && domain[i] != '.') {
            const char c = domain[i];
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
            continue;
        }
        const std::string_view label = domain.substr(labelStart, i - labelStart);
        if (label.empty() || label.size() > LongestLabel || label.front() == '-' ||
            label.back() == '-')
            return false;
        labelStart = i + 1;
    }
    return true;
}

// RFC 5322 atext and ".": what an unquoted local part holds (old Japanese mobile addresses
// have dots anywhere, so dots are not checked further).
bool IsLocalPart(std::string_view local) {
    if (local.empty()) return false;
    for (const char c : local) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain && std::string_view("!#$%&'+/=^`{|}~").find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

std::string Refusal(const std::string& text, const char* reason) {
    return "「" + text + "」は登録できません。" + reason;
}

}  // namespace

bool TSenderList::ParseEntry(const std::string& text, std::string& entry, std::string& error) {
    entry.clear();
    error.clear();
    const std::string trimmed = SjisText::Trim(text);
    if (trimmed.empty()) {
        error = EmptyText;
        return false;
    }
    const char* reason = nullptr;
    if (SjisText::FindEightBit(trimmed) != trimmed.size())
        reason = NotAsciiText;
    else if (trimmed.find_first_of("*?") != std::string::npos)
        reason = WildcardText;
    else if (std::any_of(trimmed.begin(), trimmed.end(), SjisText::IsBlank))
        reason = BlankText;
    if (reason) {
        error = Refusal(trimmed, reason);
        return false;
    }
    std::string folded = trimmed;
    std::transform(folded.begin(), folded.end(), folded.begin(), Lower);
    // "@example.jp" and ".example.jp" both mean the domain; so does "example.jp.".
    if (folded.front() == '@' || folded.front() == '.') folded.erase(0, 1);
    if (!folded.empty() && folded.back() == '.') folded.pop_back();
    const size_t at = folded.find('@');
    const bool valid = at == std::string::npos
                           ? IsDomain(folded)
                           : folded.size() <= LongestAddress &&
                                 IsLocalPart(std::string_view(folded).substr(0, at)) &&
                                 IsDomain(std::string_view(folded).substr(at + 1));
    if (!valid) {
        error = Refusal(trimmed, MalformedText);
        return false;
    }
    entry = std::move(folded);
    return true;
}

TSenderList::TSenderList(const std::vector<std::string>& texts, std::vector<std::string>* refused) {
    std::string error;
    for (const std::string& text : texts) {
        if (!Add(text, error) && refused) refused->push_back(error);
    }
}

// std::hash gives a string and a view of the same text the same value.
void TSenderList::Mark(const std::string& entry) {
    const size_t bit = std::hash<std::string_view>{}(entry) % FilterBits;
    Filter[bit / 64] |= uint64_t{1} << (bit % 64);
}

bool TSenderList::MayHold(std::string_view key) const {
    const size_t bit = std::hash<std::string_view>{}(key) % FilterBits;
    return (Filter[bit / 64] >> (bit % 64) & 1) != 0;
}

bool TSenderList::Add(const std::string& text, std::string& error) {
    std::string entry;
    if (!ParseEntry(text, entry, error)) return false;
    auto& set = entry.find('@') == std::string::npos ? Domains : Addresses;
    if (set.insert(entry).second) {
        Mark(entry);
        Ordered.push_back(std::move(entry));
    }
    return true;
}

bool TSenderList::Remove(const std::string& entry) {
    const auto it = std::find(Ordered.begin(), Ordered.end(), entry);
    if (it == Ordered.end()) return false;
    Addresses.erase(entry);
    Domains.erase(entry);
    Ordered.erase(it);
    // Another entry may share the bit: mark the rest afresh.
    std::fill(Filter.begin(), Filter.end(), 0);
    for (const std::string& kept : Ordered) Mark(kept);
    return true;
}

std::string TSenderList::Match(std::string_view address) const {
    if (Ordered.empty() || address.size() > LongestAddress) return std::string();
    std::string folded(address);
    std::transform(folded.begin(), folded.end(), folded.begin(), Lower);
    if (MayHold(folded) && Addresses.count(folded) > 0) return folded;
    const size_t at = folded.rfind('@');
    std::string_view domain(folded);
    if (at != std::string::npos) domain.remove_prefix(at + 1);
    if (!domain.empty() && domain.back() == '.') domain.remove_suffix(1);
    // The domain itself, then each domain above it: "a.b.example.jp", "b.example.jp", ...
    for (size_t from = 0; from < domain.size();) {
        const std::string_view suffix = domain.substr(from);
        if (MayHold(suffix)) {
            std::string key(suffix);
            if (Domains.count(key) > 0) return key;
        }
        const size_t dot = domain.find('.', from);
        if (dot == std::string_view::npos) break;
        from = dot + 1;
    }
    return std::string();
}
