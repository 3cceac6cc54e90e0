#include "rules/TextRule.h"

#include "headers/MainDM.h"
#include "headers/SjisSearch.h"
#include "rules/HeaderField.h"

TTextRule::TTextRule(std::string rule) : Text(std::move(rule)) {
    TRuleParts parts = TMainDM::SplitRule(Text);
    Header = std::move(parts.Header);
    Needle = std::move(parts.Text);
}

std::vector<TTextRule::TDecoded> TTextRule::DecodedValues(const std::vector<std::string>& lines,
                                                          const std::string& header) {
    std::vector<TDecoded> values;
    auto add = [&values](const std::string& value) {
        values.push_back({TMainDM::DecodeHeaderText(value), TMainDM::DecodeJisWords(value)});
    };
    for (const std::string& line : lines) {
        if (!HeaderField::HasName(line, header)) continue;
        const std::string value = HeaderField::RuleValue(line, header.size());
        // An empty line ends the search; tested as missing only when nothing came before it.
        if (value.empty()) break;
        add(value);
    }
    if (values.empty()) add(std::string());
    return values;
}

bool TTextRule::Matches(const std::vector<TDecoded>& values) const {
    for (const TDecoded& value : values) {
        if (SjisSearch::Contains(value.Text, Needle) || SjisSearch::Contains(value.JisText, Needle))
            return true;
    }
    return false;
}
