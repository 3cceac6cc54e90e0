#include "pop3/ScanListing.h"

#include <algorithm>

bool TScanListing::Entries(const std::string& reply, int32_t count, std::vector<TEntry>& entries,
                           std::string* offending) {
    entries.clear();
    auto bad = [offending](const std::string& what) {
        if (offending) *offending = what;
        return false;
    };
    if (count < 0) return false;
    size_t start = reply.find('\n');
    if (start == std::string::npos) return false;
    ++start;
    for (;;) {
        const size_t lf = reply.find('\n', start);
        if (lf == std::string::npos) return bad("no \".\" line");
        size_t end = lf;
        if (end > start && reply[end - 1] == '\r') --end;
        std::string line = reply.substr(start, end - start);
        start = lf + 1;
        if (line == ".") break;
        if (!line.empty() && line[0] == '.') line.erase(0, 1);
        const size_t blank = line.find(' ');
        int32_t number = 0;
        if (blank == std::string::npos || !Number(line.substr(0, blank), number) || number < 1 ||
            number > count || entries.size() >= static_cast<size_t>(count))
            return bad(line);
        entries.push_back({number, line.substr(blank + 1)});
    }
    // Nothing may follow the "." line within the reply.
    if (start != reply.size()) {
        std::string after = reply.substr(start, reply.find('\n', start) - start);
        if (!after.empty() && after.back() == '\r') after.pop_back();
        return bad(after);
    }
    if (entries.size() != static_cast<size_t>(count))
        return bad("listed " + std::to_string(entries.size()) + " of " + std::to_string(count) +
                   " messages");
    // Each number once: sorted, the entries are exactly 1 to count. Nothing here is sized by a
    // number on a line (a huge count from STAT allocates nothing), only by the lines received.
    std::sort(entries.begin(), entries.end(),
              [](const TEntry& a, const TEntry& b) { return a.Number < b.Number; });
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].Number != static_cast<int32_t>(i + 1)) {
            // As many entries as messages, all in range: some number is listed twice. The first
            // such is shown (the one missing has no line to show).
            for (size_t k = 1; k < entries.size(); ++k)
                if (entries[k].Number == entries[k - 1].Number)
                    return bad(std::to_string(entries[k].Number) + " " + entries[k].Value);
            return bad(std::string());
        }
    }
    return true;
}

bool TScanListing::Sizes(const std::string& reply, int32_t count, std::vector<int32_t>& sizes,
                         std::string* offending) {
    sizes.clear();
    std::vector<TEntry> entries;
    if (!Entries(reply, count, entries, offending)) return false;
    std::vector<int32_t> result(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        // More information may follow the size after a blank.
        const size_t blank = entries[i].Value.find(' ');
        if (!Number(entries[i].Value.substr(0, blank), result[i])) {
            if (offending) *offending = std::to_string(entries[i].Number) + " " + entries[i].Value;
            return false;
        }
    }
    sizes = std::move(result);
    return true;
}

bool TScanListing::Uids(const std::string& reply, int32_t count, std::vector<std::string>& uids,
                        std::string* offending) {
    uids.clear();
    std::vector<TEntry> entries;
    if (!Entries(reply, count, entries, offending)) return false;
    std::vector<std::string> result(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!ValidUid(entries[i].Value)) {
            if (offending) *offending = std::to_string(entries[i].Number) + " " + entries[i].Value;
            return false;
        }
        result[i] = std::move(entries[i].Value);
    }
    uids = std::move(result);
    return true;
}

bool TScanListing::ValidUid(const std::string& uid) {
    if (uid.empty() || uid.size() > MaxUidLength) return false;
    for (char c : uid) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

bool TScanListing::Number(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n > INT32_MAX) return false;
    value = static_cast<int32_t>(n);
    return true;
}
