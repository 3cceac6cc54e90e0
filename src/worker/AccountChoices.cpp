#include "worker/AccountChoices.h"

#include <ctime>

#include "headers/SjisText.h"

TAccountChoices::TAccountChoices(const std::string& programFolder, const std::string& key)
    : File(programFolder, key) {
    Record = File.Load();
    Problem = File.Problem();
    Damaged = !Problem.empty();
}

int64_t TAccountChoices::Today() { return static_cast<int64_t>(std::time(nullptr)) / 86400; }

TMailIdentity TAccountChoices::IdentityOf(const TMailRow& row) {
    TMailIdentity mail;
    mail.Uid = row.Columns[TMailRow::Uidl];
    SjisText::ToInt32(row.Columns[TMailRow::Size], mail.Size);
    mail.Digest = row.HeaderDigest;
    return mail;
}

void TAccountChoices::HandTick(const TMailRow& row, bool ticked,
                               const std::vector<std::string>& headerLines) {
    const TMailIdentity mail = IdentityOf(row);
    // Without an id the message cannot be found again.
    if (mail.Uid.empty()) return;
    std::lock_guard<std::mutex> lock(Mutex);
    const TChoice choice = ticked == row.RuleTicked ? TChoice::None
                           : ticked                 ? TChoice::Delete
                                                    : TChoice::Keep;
    if (Record.ChoiceOf(mail) == choice) return;
    Record.SetChoice(mail, choice, Today());
    Changed = true;
    if (choice == TChoice::Keep) Signal(TSignal::KeptByHand, mail, headerLines);
}

TChoice TAccountChoices::ChoiceOf(const TMailIdentity& mail) const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Record.ChoiceOf(mail);
}

void TAccountChoices::ApplyTo(TMailRow& row) const {
    const TChoice choice = ChoiceOf(IdentityOf(row));
    if (choice != TChoice::None) row.Ticked = choice == TChoice::Delete;
}

void TAccountChoices::SetRules(const TRuleInputs& rules) {
    std::lock_guard<std::mutex> lock(Mutex);
    CurrentRules = rules;
}

std::optional<TRuleInputs> TAccountChoices::Rules() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return CurrentRules;
}

TChoiceRecord::TListing TAccountChoices::Listed(
    const std::vector<TMailIdentity>& listing, int64_t today, bool byHand,
    const std::map<TMailIdentity, std::vector<std::string>>& lines) {
    std::lock_guard<std::mutex> lock(Mutex);
    const bool baseline = Record.Empty() || Damaged;
    TChoiceRecord::TListing changes = Record.Listed(listing, today);
    for (const TMailIdentity& mail : changes.Left) {
        const auto known = lines.find(mail);
        Signal(TSignal::LeftServer, mail,
               known == lines.end() ? std::vector<std::string>() : known->second);
    }
    if (baseline) changes.Arrived.clear();
    if (byHand) Damaged = false;
    // A mailbox that did not change is not written again at every check.
    Changed = Changed || changes.Changed;
    return changes;
}

void TAccountChoices::Deleted(const std::vector<TMailIdentity>& mails, bool byHand,
                              const std::vector<std::vector<std::string>>& lines) {
    std::lock_guard<std::mutex> lock(Mutex);
    for (size_t i = 0; i < mails.size(); ++i) {
        Record.Forget(mails[i]);
        if (byHand)
            Signal(TSignal::DeletedByHand, mails[i],
                   i < lines.size() ? lines[i] : std::vector<std::string>());
    }
    Changed = Changed || !mails.empty();
}

bool TAccountChoices::MarkChanged() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Changed || SavePending) return false;
    SavePending = true;
    return true;
}

bool TAccountChoices::Save() {
    std::lock_guard<std::mutex> saving(SaveMutex);
    TChoiceRecord copy;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        SavePending = false;
        if (!Changed) return true;
        copy = Record;
        Changed = false;
    }
    if (File.FilePath().empty()) return true;
    if (File.Save(copy)) return true;
    std::lock_guard<std::mutex> lock(Mutex);
    Changed = true;
    return false;
}

std::string TAccountChoices::TakeProblem() {
    std::lock_guard<std::mutex> lock(Mutex);
    std::string problem;
    problem.swap(Problem);
    return problem;
}

bool TAccountChoices::HoldsAutomaticDeletion() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Damaged;
}

std::vector<TAccountChoices::TSignal> TAccountChoices::TakeSignals() {
    std::lock_guard<std::mutex> lock(Mutex);
    std::vector<TSignal> taken;
    taken.swap(Signals);
    return taken;
}

void TAccountChoices::Signal(TSignal::TKind kind, const TMailIdentity& mail,
                             std::vector<std::string> lines) {
    if (Signals.size() >= SignalLimit) Signals.erase(Signals.begin());
    Signals.push_back(TSignal{kind, mail, std::move(lines)});
}
