#include "choices/ChoiceRecord.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A unique id may hold any byte a hostile server sends: every byte that could break the line
// or the fields goes as %XX.
std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool ReadNumber(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= low && value <= high;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

const char ChoiceLetters[] = {'-', 'k', 'd'};

}  // namespace

TChoice TChoiceRecord::ChoiceOf(const TMailIdentity& mail) const {
    const auto found = Entries.find(mail);
    return found == Entries.end() ? TChoice::None : found->second.Choice;
}

void TChoiceRecord::SetChoice(const TMailIdentity& mail, TChoice choice, int64_t today) {
    const auto found = Entries.find(mail);
    if (found != Entries.end()) {
        found->second.Choice = choice;
    } else if (choice != TChoice::None) {
        Entries[mail] = TEntry{choice, today, true};
    }
}

TChoiceRecord::TListing TChoiceRecord::Listed(const std::vector<TMailIdentity>& listing,
                                              int64_t today) {
    TListing changes;
    std::map<TMailIdentity, bool> listed;
    for (const TMailIdentity& mail : listing) listed.emplace(mail, true);
    for (auto it = Entries.begin(); it != Entries.end();) {
        TEntry& entry = it->second;
        if (listed.count(it->first)) {
            changes.Changed = changes.Changed || entry.ListedDay != today || !entry.Present;
            entry.ListedDay = today;
            entry.Present = true;
        } else {
            if (entry.Present) changes.Left.push_back(it->first);
            entry.Present = false;
            if (today - entry.ListedDay > KeptDays) {
                it = Entries.erase(it);
                changes.Changed = true;
                continue;
            }
        }
        ++it;
    }
    for (const TMailIdentity& mail : listing) {
        const auto added = Entries.emplace(mail, TEntry{TChoice::None, today, true});
        if (added.second) changes.Arrived.push_back(mail);
    }
    changes.Changed = changes.Changed || !changes.Arrived.empty() || !changes.Left.empty();
    return changes;
}

void TChoiceRecord::Forget(const TMailIdentity& mail) { Entries.erase(mail); }

std::string TChoiceRecord::Text() const {
    std::string text = std::string(FirstLine) + "\r\n";
    for (const auto& [mail, entry] : Entries) {
        text += Escape(mail.Uid) + "\t" + std::to_string(mail.Size) + "\t" + Escape(mail.Digest) +
                "\t" + ChoiceLetters[static_cast<int>(entry.Choice)] + "\t" +
                std::to_string(entry.ListedDay) + "\t" + (entry.Present ? "1" : "0") + "\r\n";
    }
    return text + "end " + std::to_string(Entries.size()) + "\r\n";
}

TChoiceRecord TChoiceRecord::Parse(const std::string& text, size_t& damaged) {
    TChoiceRecord record;
    damaged = 0;
    std::vector<std::string> lines = Split(text, '\n');
    // A whole file ends with a line end: the part after it is empty.
    if (lines.back().empty()) {
        lines.pop_back();
    } else {
        ++damaged;
    }
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lines.empty() || lines.front() != FirstLine) ++damaged;
    bool ended = false;
    int64_t count = -1;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!ended && line.rfind("end ", 0) == 0 &&
            ReadNumber(line.substr(4), 0, INT64_MAX / 2, count)) {
            ended = true;
            continue;
        }
        const std::vector<std::string> fields = Split(line, '\t');
        TMailIdentity mail;
        TEntry entry;
        int64_t size = 0;
        bool read = !ended && fields.size() == 6 && Unescape(fields[0], mail.Uid) &&
                    ReadNumber(fields[1], 0, INT32_MAX, size) && Unescape(fields[2], mail.Digest) &&
                    fields[3].size() == 1 &&
                    ReadNumber(fields[4], 0, INT64_MAX / 2, entry.ListedDay) &&
                    (fields[5] == "0" || fields[5] == "1");
        if (read) {
            mail.Size = static_cast<int32_t>(size);
            entry.Present = fields[5] == "1";
            read = false;
            for (int c = 0; c < 3; ++c) {
                if (fields[3][0] != ChoiceLetters[c]) continue;
                entry.Choice = static_cast<TChoice>(c);
                read = true;
            }
        }
        if (read && record.Entries.emplace(mail, entry).second) continue;
        ++damaged;
    }
    if (!ended || count != static_cast<int64_t>(record.Entries.size())) ++damaged;
    return record;
}
