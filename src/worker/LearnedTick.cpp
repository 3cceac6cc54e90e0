#include "worker/LearnedTick.h"

namespace LearnedTick {

namespace {

constexpr const char kReasonStart[] = "学習: ";

}  // namespace

TDecision Decide(const TRuleSet& rules, const TDecision& ruled, const TLearner* learner,
                 const std::vector<std::string>& lines, int threshold) {
    // A tick of the rules stays theirs; an unticked row with a reason is the allow list's.
    if (!learner || ruled.Ticked || !ruled.Reason.empty() || lines.empty()) return ruled;
    if (!learner->Ready()) return ruled;
    const int percent = TLearner::Percent(learner->Score(lines).Score);
    if (percent < threshold) return ruled;
    // Kept, and said so, as the rules say it where they would have ticked.
    if (rules.Allows(lines)) return {false, TRuleSet::AllowedReason};
    return {true, TLearner::Reason(percent)};
}

bool IsLearned(const std::string& reason) { return reason.rfind(kReasonStart, 0) == 0; }

void Teach(TAccountChoices& choices, TLearner& learner, const TQuietRows& quiet) {
    for (TAccountChoices::TSignal& signal : choices.TakeSignals()) {
        std::vector<std::string> lines = std::move(signal.HeaderLines);
        if (signal.Kind == TAccountChoices::TSignal::LeftServer) {
            const auto found = quiet.find(signal.Mail.Uid);
            if (found == quiet.end() || found->second.Size != signal.Mail.Size) continue;
            lines = found->second.Lines;
        }
        if (lines.empty()) continue;
        learner.Learn(std::move(lines), signal.Kind == TAccountChoices::TSignal::DeletedByHand);
    }
}

}  // namespace LearnedTick
