#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "learn/Learner.h"
#include "rules/RuleSet.h"
#include "worker/AccountChoices.h"
#include "worker/HeaderLines.h"

// The learning filter's part in a row's tick, after the lists, the text rules and the checks,
// and what it learns from the user's decisions.
namespace LearnedTick {

// `ruled`, what `rules` decided, with learning added: a row nothing ticked whose sender the allow
// list does not hold is ticked, with the reason "学習: n%", when the learner has seen enough of
// both labels and scores it at `threshold` percent or above.
TDecision Decide(const TRuleSet& rules, const TDecision& ruled, const TLearner* learner,
                 const std::vector<std::string>& lines, int threshold);

// The reason names a tick learning gave.
bool IsLearned(const std::string& reason);

// A message listed with no tick, kept so that it can be learned as wanted once it has left the
// server without this program deleting it.
struct TQuiet {
    int32_t Size = 0;
    THeaderLines Lines;
};
using TQuietRows = std::map<std::string, TQuiet>;  // by unique id

// Gives the learner what the user decided since the last call: a deletion by hand as unwanted,
// an untick of a row rules or learning ticked as wanted, a quiet message that left the server
// as wanted. Signals without a header are dropped.
void Teach(TAccountChoices& choices, TLearner& learner, const TQuietRows& quiet);

}  // namespace LearnedTick
