#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "worker/MailRow.h"

// What one account's listings learnt of each message, by unique id, kept while the program runs,
// so that a later listing sends TOP only for messages it has not seen and builds their rows
// without reading the header again. Ids no longer listed are forgotten, so it never holds more
// than the mailbox. Belongs to the account's worker (one thread at a time).
class THeaderCache {
public:
    struct TEntry {
        int32_t Size = 0;
        THeaderLines Lines;        // the header's lines, unfolded: what the rules read
        std::string HeaderDigest;  // of the TOP reply as read
        TMailRow Row;              // the columns read from the header; no number, no tick
    };

    // Forgets every id the new listing lacks. An id listed twice names no one message: it is
    // forgotten and not kept until the listing is clean again. An empty id is never kept.
    // Gives what was forgotten, by id.
    std::vector<std::pair<std::string, TEntry>> Retain(const std::vector<std::string>& listedIds);
    // Positions in `listedIds` (sizes at the same positions) of the messages whose header must be
    // fetched.
    std::vector<size_t> Unknown(const std::vector<std::string>& listedIds,
                                const std::vector<int32_t>& sizes) const;
    // What was kept of the message, or nothing. A server may give the id of a deleted message to
    // new mail: what was kept for another size is not this message's.
    const TEntry* Find(const std::string& id, int32_t size) const;
    void Keep(const std::string& id, TEntry entry);
    // What was kept of the id no longer describes its message: the next listing reads it anew.
    void Forget(const std::string& id) { Entries.erase(id); }
    void Clear() { Entries.clear(); }
    // The last listing Retain was given named the id more than once.
    bool Repeats(const std::string& id) const { return !Repeated.empty() && Repeated.count(id); }
    bool Keepable(const std::string& id) const { return !id.empty() && !Repeats(id); }
    size_t Size() const { return Entries.size(); }

private:
    std::unordered_map<std::string, TEntry> Entries;
    std::set<std::string> Repeated;  // ids the last listing named more than once
};
