#pragma once
#include <cstddef>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// The header lines of one account's listed messages by unique id, kept while the program runs,
// so that a later listing sends TOP only for messages it has not seen. Ids no longer listed are
// forgotten, so it never holds more than the mailbox. Belongs to the account's worker (one
// thread at a time).
class THeaderCache {
public:
    using TLines = std::vector<std::string>;

    // Forgets every id the new listing lacks. An id listed twice names no one message: it is
    // forgotten and not kept until the listing is clean again. An empty id is never kept.
    void Retain(const std::vector<std::string>& listedIds);
    // Positions in `listedIds` of the messages whose lines must be fetched.
    std::vector<size_t> Unknown(const std::vector<std::string>& listedIds) const;
    // The kept lines of the message, or nothing.
    const TLines* Find(const std::string& id) const;
    void Keep(const std::string& id, TLines lines);
    size_t Size() const { return Lines.size(); }

private:
    bool Keepable(const std::string& id) const { return !id.empty() && !Repeated.count(id); }

    std::unordered_map<std::string, TLines> Lines;
    std::set<std::string> Repeated;  // ids the last listing named more than once
};
