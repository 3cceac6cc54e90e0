#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// A list of senders: addresses ("taro@example.jp", matched whole) and domains ("example.jp",
// matching that domain and every domain below it, never "badexample.jp"). Entries are ASCII,
// kept in lower case; a look-up costs a few hash probes, whatever the list's size.
class TSenderList {
public:
    // The entry for a typed text: blanks around it dropped, letters folded to lower case, a
    // leading "@" or "." and a final "." dropped from a domain. False with a message (Shift_JIS)
    // naming the text and the fault for anything else: wildcards, blanks inside, non-ASCII text
    // (an internationalised domain is written in its "xn--" form), a malformed address or domain.
    static bool ParseEntry(const std::string& text, std::string& entry, std::string& error);

    TSenderList() = default;
    // Entries that do not parse are left out; `refused` (when given) gets a message for each.
    explicit TSenderList(const std::vector<std::string>& texts,
                         std::vector<std::string>* refused = nullptr);

    // Adds a typed text; false with a message when it does not parse. An entry already in the
    // list is not added twice (no message).
    bool Add(const std::string& text, std::string& error);
    bool Remove(const std::string& entry);

    // The entry that covers `address` (a bare address): the address itself, else the nearest
    // domain at or above its domain; empty when none does.
    std::string Match(std::string_view address) const;

    // The entries in the order they were added.
    const std::vector<std::string>& Entries() const { return Ordered; }
    bool Empty() const { return Ordered.empty(); }

private:
    // A bit per hash of every entry, small enough to stay in the cache: most probes of a look-up
    // find their bit clear and never touch the sets.
    static constexpr size_t FilterBits = 1 << 16;
    void Mark(const std::string& entry);
    bool MayHold(std::string_view key) const;

    std::vector<uint64_t> Filter = std::vector<uint64_t>(FilterBits / 64);
    std::vector<std::string> Ordered;
    std::unordered_set<std::string> Addresses;
    std::unordered_set<std::string> Domains;
};
