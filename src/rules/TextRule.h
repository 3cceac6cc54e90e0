#pragma once
#include <string>
#include <vector>

// One delete-check rule as the account stores it, "Header:,text": the text searched in the
// decoded values of that header. A rule without a comma has no header and searches every line.
class TTextRule {
public:
    // A header value decoded the two ways a rule searches it: wholly, and with only its
    // ISO-2022-JP words decoded (rules written against raw words such as "=?GB2312?" keep
    // matching them).
    struct TDecoded {
        std::string Text;
        std::string JisText;
    };

    explicit TTextRule(std::string rule);

    // The values of `header` a rule tests, in order: each line of that header until one whose
    // value is empty. A header the mail lacks, or whose first line is empty, gives one empty value,
    // which decodes to "なし": rules can look for a missing header.
    static std::vector<TDecoded> DecodedValues(const std::vector<std::string>& lines,
                                               const std::string& header);

    bool Matches(const std::vector<TDecoded>& values) const;
    bool Matches(const std::vector<std::string>& lines) const {
        return Matches(DecodedValues(lines, Header));
    }

    const std::string& Rule() const { return Text; }
    const std::string& HeaderName() const { return Header; }

private:
    std::string Text;    // the rule as written: the reason of a tick
    std::string Header;  // with its colon, as the rule holds it
    std::string Needle;
};
