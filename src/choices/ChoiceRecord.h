#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

// One message as a mailbox lists it, told apart from every other by its unique id, its size and a
// digest of its header lines: a server may give a gone message's id to new mail.
struct TMailIdentity {
    std::string Uid;
    int32_t Size = 0;
    std::string Digest;

    bool operator<(const TMailIdentity& other) const {
        return std::tie(Uid, Size, Digest) < std::tie(other.Uid, other.Size, other.Digest);
    }
    bool operator==(const TMailIdentity& other) const {
        return Uid == other.Uid && Size == other.Size && Digest == other.Digest;
    }
};

// What the user decided by hand about a message, against what the rules decided.
enum class TChoice {
    None,    // as the rules decide
    Keep,    // unticked by hand: never deleted unless the user ticks it again
    Delete,  // ticked by hand
};

// The user's choices of one mailbox and the messages its listings have seen, by identity. A
// message unlisted for KeptDays is forgotten with its choice. Plain data: one thread at a time.
class TChoiceRecord {
public:
    static constexpr int64_t KeptDays = 30;
    static constexpr const char* FirstLine = "Prunebox choices 1";

    struct TEntry {
        TChoice Choice = TChoice::None;
        int64_t ListedDay = 0;  // days since 1970-01-01 UTC of the last listing that held it
        bool Present = false;   // the last listing held it
    };
    // What a listing changed.
    struct TListing {
        std::vector<TMailIdentity> Arrived;  // not in any earlier listing of the record
        std::vector<TMailIdentity> Left;     // in the last listing, gone now
        bool Changed = false;                // the record differs from before the listing
    };

    TChoice ChoiceOf(const TMailIdentity& mail) const;
    // The user's choice for the message (None forgets it); a message not listed yet is kept
    // as listed today.
    void SetChoice(const TMailIdentity& mail, TChoice choice, int64_t today);
    // A whole listing of the mailbox on `today`: what arrived and what left since the last one.
    // Messages unlisted for more than KeptDays go.
    TListing Listed(const std::vector<TMailIdentity>& listing, int64_t today);
    // The message was deleted by the program: nothing more to remember.
    void Forget(const TMailIdentity& mail);
    // No listing has been recorded yet.
    bool Empty() const { return Entries.empty(); }
    size_t Size() const { return Entries.size(); }

    // The record as its file holds it: FirstLine, one line per message, "end <count>".
    std::string Text() const;
    // Reads Text(); a line that does not read is skipped and counted in `damaged`, and so is a
    // missing or wrong first or last line. The record holds what did read.
    static TChoiceRecord Parse(const std::string& text, size_t& damaged);

private:
    std::map<TMailIdentity, TEntry> Entries;
};
