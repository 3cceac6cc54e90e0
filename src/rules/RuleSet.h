#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "rules/CharsetCheck.h"
#include "rules/FromField.h"
#include "rules/SenderList.h"
#include "rules/TextRule.h"

// What decides an account's ticks, as the worker's snapshot holds it.
struct TRuleInputs {
    int AutoDelMode = 0;             // 0 none, 1 header search, 2 PostPet (the stored modes)
    std::vector<std::string> Rules;  // "Header:,text", in the account's order
    std::vector<std::string> Allow;  // the shared sender lists, as stored
    std::vector<std::string> Block;
    bool AuthFail = false;
    std::string AuthServId;
    std::string Charsets;  // "GB2312,GBK"; empty: off
    bool Spoof = false;
    int32_t MaxSize = 0;  // KB; 0: off
    // The learning filter, which the worker asks after all of these: a row they leave unticked
    // is ticked at LearnThreshold percent or above; an automatic deletion takes such a row only
    // with LearnedDelete.
    int LearnThreshold = 90;
    bool LearnedDelete = false;
    // A check of the account is on: it searches headers even without text rules.
    bool ChecksOn() const;
    // Without text rules, and in header search without a check either, there is nothing to
    // search for: the account is in no mode at all.
    bool SearchesNothing() const;
};

// Whether a row is ticked, and why: the rule string, the list entry or the check that decided;
// "許可リスト" for a sender the allow list kept from a tick; empty for any other unticked row.
struct TDecision {
    bool Ticked = false;
    std::string Reason;
    bool operator==(const TDecision& other) const {
        return Ticked == other.Ticked && Reason == other.Reason;
    }
};

// The tick decision of one account, built once from its inputs and then asked for each header.
// In header search mode: the allow list first (it wins), then the block list, the text rules in
// order, then the checks: authentication, charsets, spoofed display name, size. In PostPet mode
// only PostPet mail is ticked; in no mode nothing is. Safe to use from several threads at once.
class TRuleSet {
public:
    static constexpr int HeaderSearch = 1;
    static constexpr int PostPet = 2;

    explicit TRuleSet(const TRuleInputs& inputs);

    // `lines`: the header unfolded, one field a line; `size`: the message's size in bytes.
    TDecision Decide(const std::vector<std::string>& lines, int64_t size) const;

    // PostPet's mail: multipart/mixed sent by its mailer. `contentType` and `mailer` are the
    // fields' values.
    static bool PostPetMail(const std::string& contentType, const std::string& mailer);

    // The reason of a row the allow list kept from a tick.
    static const char* const AllowedReason;
    // The allow list holds the sender of `lines`, whatever the mode.
    bool Allows(const std::vector<std::string>& lines) const;

    // The sender as the lists match it: the first From field of `lines` (unfolded header).
    static TFromField Sender(const std::vector<std::string>& lines);

    // Messages for the list entries that were left out (see TSenderList::ParseEntry).
    const std::vector<std::string>& Refused() const { return RefusedEntries; }

private:
    struct THeader;  // the fields the checks read, found in one pass
    // The first rule, list entry or check that ticks, ignoring the allow list.
    TDecision Condemn(const THeader& header, const std::vector<std::string>& lines,
                      int64_t size) const;

    int Mode;
    std::vector<TTextRule> Rules;
    std::vector<std::string> RuleHeaders;  // the distinct header names the rules read
    std::vector<size_t> RuleHeaderIndex;   // for each rule, its name's place in RuleHeaders
    TSenderList Allow, Block;
    std::string AuthServId;  // empty: the check is off
    TCharsetCheck Charsets;
    bool Spoof;
    int64_t MaxBytes;  // 0: off
    bool ReadsFields;  // a list or a check reads From, Subject or Authentication-Results
    std::vector<std::string> RefusedEntries;
};
