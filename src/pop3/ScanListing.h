#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The multi-line LIST and UIDL replies of a whole mailbox, checked strictly before anything of
// them is used: every message from 1 to count listed exactly once and nothing else, sizes as
// decimal numbers, unique ids of 1 to 70 printable ASCII characters. A reply that fails any check
// gives false and leaves nothing behind but, when asked for, the offending line (or what is
// wrong with the whole).
class TScanListing {
public:
    static constexpr size_t MaxUidLength = 70;

    // reply: the whole reply as framed, status line and "." line included. sizes[n - 1] is the
    // size of message n.
    static bool Sizes(const std::string& reply, int32_t count, std::vector<int32_t>& sizes,
                      std::string* offending = nullptr);
    // uids[n - 1] is the unique id of message n.
    static bool Uids(const std::string& reply, int32_t count, std::vector<std::string>& uids,
                     std::string* offending = nullptr);
    // A unique id as a single UIDL reply or a listing may carry it.
    static bool ValidUid(const std::string& uid);
    // A decimal number of digits only, within int32.
    static bool Number(const std::string& text, int32_t& value);

private:
    struct TEntry {
        int32_t Number;
        std::string Value;  // the rest of the line after the number and one blank
    };
    // The lines between the status line and the "." line, dot-unstuffed, each split at its first
    // blank; false when a line has no number, a number out of range or one seen before.
    static bool Entries(const std::string& reply, int32_t count, std::vector<TEntry>& entries,
                        std::string* offending);
};
