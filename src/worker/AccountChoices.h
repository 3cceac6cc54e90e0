#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "choices/ChoiceFile.h"
#include "choices/ChoiceRecord.h"
#include "rules/RuleSet.h"
#include "worker/MailRow.h"

// What the user has decided for one mailbox, as of this moment: the hand ticks and unticks,
// kept across disconnects and restarts in the account's choice file, and the rules and lists
// in force. The page writes it as the user acts; the worker reads it when it lists and again
// just before an automatic deletion, so that nothing decided meanwhile is missed. Thread-safe.
class TAccountChoices {
public:
    // What a learning filter may take from the user's decisions.
    struct TSignal {
        enum TKind {
            DeletedByHand,  // deleted with "削除 + 切断"
            KeptByHand,     // a row a rule ticked, unticked by the user
            LeftServer,     // gone from the server without this program deleting it
        };
        TKind Kind;
        TMailIdentity Mail;
        std::vector<std::string> HeaderLines;  // the header unfolded, when it was at hand
    };
    // Signals wait at most this many; the oldest go first.
    static constexpr size_t SignalLimit = 10000;

    // The record of mailbox `key` under the program's folder, read now; with no folder or no
    // key it is kept in memory only.
    TAccountChoices(const std::string& programFolder, const std::string& key);

    // Days since 1970-01-01 UTC, now.
    static int64_t Today();
    static TMailIdentity IdentityOf(const TMailRow& row);

    // The user set the row's tick by hand; it differs from the rules' tick (a choice) or not
    // (the choice goes).
    void HandTick(const TMailRow& row, bool ticked, const std::vector<std::string>& headerLines);
    TChoice ChoiceOf(const TMailIdentity& mail) const;
    // The row with the user's tick, when the user made a choice for its message.
    void ApplyTo(TMailRow& row) const;

    // The rules and lists of the moment (the page gives them whenever they change).
    void SetRules(const TRuleInputs& rules);
    std::optional<TRuleInputs> Rules() const;

    // A whole listing of the mailbox. Arrived lists nothing for the first listing the record
    // holds (nothing is known to have arrived since a check) and after damage.
    // `lines`: the headers of messages that may have left, where known.
    TChoiceRecord::TListing Listed(
        const std::vector<TMailIdentity>& listing, int64_t today, bool byHand,
        const std::map<TMailIdentity, std::vector<std::string>>& lines = {});
    // The program deleted these; byHand: with "削除 + 切断" (lines: their headers, or empty).
    void Deleted(const std::vector<TMailIdentity>& mails, bool byHand,
                 const std::vector<std::vector<std::string>>& lines = {});

    // Writes the record when it changed since it was read or written; false when that failed.
    bool Save();
    // True once a change is waiting for Save; the caller that got true arranges the Save.
    bool MarkChanged();
    // What was wrong with the file when it was read, given once; empty when nothing was.
    std::string TakeProblem();
    // The file was damaged and no listing by hand has shown the user the ticks since: an
    // automatic deletion would go by a record that may lack choices.
    bool HoldsAutomaticDeletion() const;
    std::vector<TSignal> TakeSignals();

private:
    void Signal(TSignal::TKind kind, const TMailIdentity& mail,
                std::vector<std::string> lines);  // with Mutex held

    mutable std::mutex Mutex;
    TChoiceFile File;
    TChoiceRecord Record;
    std::optional<TRuleInputs> CurrentRules;
    std::string Problem;
    bool Damaged = false;
    bool Changed = false;
    bool SavePending = false;
    std::vector<TSignal> Signals;
    std::mutex SaveMutex;  // one writer of the file at a time, outside Mutex
};
