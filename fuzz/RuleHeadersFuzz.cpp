// The header parsers of the tick rules on anything: each line of the input is tried as an
// Authentication-Results value, a From value, a charset-bearing value and a list entry, and the
// whole input as a header through a rule set with every check on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "headers/MainDM.h"
#include "rules/AuthResults.h"
#include "rules/CharsetCheck.h"
#include "rules/FromField.h"
#include "rules/RuleSet.h"
#include "rules/SenderList.h"

namespace {

const TRuleSet& EveryCheck() {
    static const TRuleSet rules([] {
        TRuleInputs inputs;
        inputs.AutoDelMode = TRuleSet::HeaderSearch;
        inputs.Rules = {"Subject:,sale", "From:,なし", ",x"};
        inputs.Allow = {"friend.example"};
        inputs.Block = {"spam.example", "bad@ok.example"};
        inputs.AuthFail = true;
        inputs.AuthServId = "mx.example.jp";
        inputs.Charsets = TCharsetCheck::DefaultList;
        inputs.Spoof = true;
        inputs.MaxSize = 1;
        return inputs;
    }());
    return rules;
}

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    static const TCharsetCheck charsets(TCharsetCheck::DefaultList);
    for (const std::string& line : lines) {
        TAuthResults parsed;
        if (TAuthResults::Parse(line, parsed)) Check(parsed.AuthServId.size() <= line.size());
        TAuthResults::ReportsDmarcFail(line, "mx.example.jp");

        const TFromField from = TFromField::Parse(line);
        Check(from.Address.size() <= line.size() && from.Domain.size() <= from.Address.size());
        const std::string name = TMainDM::DecodeHeaderText(from.DisplayName);
        const std::string foreign = TFromField::ForeignAddressDomain(name, from.Domain);
        Check(foreign.empty() || !TFromField::IsWithin(foreign, from.Domain));

        for (const std::string& address : TFromField::Addresses(line)) {
            const size_t at = address.rfind('@');
            Check(address.size() <= line.size() && at != std::string::npos && at > 0 &&
                  at + 1 < address.size() && address.find(' ') == std::string::npos);
        }

        charsets.Find(line);

        // An entry that parses covers only what it names: never an unrelated address.
        std::string entry, error;
        if (TSenderList::ParseEntry(line, entry, error)) {
            std::string refusal;
            TSenderList list;
            Check(list.Add(line, refusal));
            const bool names = entry == "invalid" || entry == "unrelated.invalid";
            Check(list.Match("nobody@unrelated.invalid").empty() != names);
            Check(list.Match(entry.find('@') == std::string::npos ? "@" + entry : entry) == entry);
        } else {
            Check(!error.empty());
        }
    }
    const TDecision decision = EveryCheck().Decide(lines, static_cast<int64_t>(size));
    Check(decision.Ticked != decision.Reason.empty() || decision.Reason == "許可リスト");
    return 0;
}
