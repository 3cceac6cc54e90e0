#include "rules/RuleSet.h"

#include <cstring>

#include "headers/MainDM.h"
#include "headers/SjisSearch.h"
#include "headers/SjisText.h"
#include "rules/AuthResults.h"
#include "rules/FromField.h"
#include "rules/HeaderField.h"

namespace {

const char* const AllowedText = "許可リスト";
const char* const BlockedText = "拒否リスト: ";
const char* const AuthFailText = "認証失敗: dmarc=fail";
const char* const CharsetText = "文字コード: ";
const char* const SpoofText = "なりすまし表示名";
const char* const SizeText = "サイズ: ";
const char* const PostPetText = "PostPet";
const int64_t KiB = 1024;

// The address is read before decoding, where an encoded name cannot pose as one; only a From
// with no address outside encoded words is read decoded.
TFromField ReadFrom(std::string_view raw) {
    TFromField from = TFromField::Parse(raw);
    if (from.Address.empty()) from = TFromField::Parse(TMainDM::DecodeHeaderText(std::string(raw)));
    return from;
}

}  // namespace

struct TRuleSet::THeader {
    TFromField From;
    std::string_view Subject;
    std::vector<std::string_view> AuthResults;

    explicit THeader(const std::vector<std::string>& lines) {
        static const size_t fromSize = std::strlen("From:"), subjectSize = std::strlen("Subject:"),
                            authSize = std::strlen(TAuthResults::FieldName);
        bool fromSeen = false, subjectSeen = false;
        for (const std::string& line : lines) {
            // Most lines are none of the three: their first letter says so.
            const char first = line.empty() ? 0 : static_cast<char>(line[0] | 0x20);
            if (first != 'f' && first != 's' && first != 'a') continue;
            if (!fromSeen && HeaderField::HasName(line, "From:")) {
                From = ReadFrom(HeaderField::Value(line, fromSize));
                fromSeen = true;
            } else if (!subjectSeen && HeaderField::HasName(line, "Subject:")) {
                Subject = HeaderField::Value(line, subjectSize);
                subjectSeen = true;
            } else if (HeaderField::HasName(line, TAuthResults::FieldName)) {
                AuthResults.push_back(HeaderField::Value(line, authSize));
            }
        }
    }
};

TFromField TRuleSet::Sender(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (HeaderField::HasName(line, "From:"))
            return ReadFrom(HeaderField::Value(line, std::strlen("From:")));
    }
    return TFromField();
}

bool TRuleInputs::ChecksOn() const {
    return AuthFail || Spoof || MaxSize > 0 || !SjisText::Trim(Charsets).empty();
}

bool TRuleInputs::SearchesNothing() const {
    return Rules.empty() && !(AutoDelMode == TRuleSet::HeaderSearch && ChecksOn());
}

TRuleSet::TRuleSet(const TRuleInputs& inputs)
    : Mode(inputs.AutoDelMode),
      Allow(inputs.Allow, &RefusedEntries),
      Block(inputs.Block, &RefusedEntries),
      AuthServId(inputs.AuthFail ? SjisText::Trim(inputs.AuthServId) : std::string()),
      Charsets(inputs.Charsets),
      Spoof(inputs.Spoof),
      MaxBytes(inputs.MaxSize > 0 ? inputs.MaxSize * KiB : 0),
      ReadsFields(!Allow.Empty() || !Block.Empty() || !AuthServId.empty() || !Charsets.Empty() ||
                  Spoof) {
    for (const std::string& rule : inputs.Rules) {
        Rules.emplace_back(rule);
        const std::string name = SjisSearch::AsciiUpper(Rules.back().HeaderName());
        size_t index = 0;
        while (index < RuleHeaders.size() && RuleHeaders[index] != name) ++index;
        if (index == RuleHeaders.size()) RuleHeaders.push_back(name);
        RuleHeaderIndex.push_back(index);
    }
}

bool TRuleSet::PostPetMail(const std::string& contentType, const std::string& mailer) {
    return SjisSearch::Contains(SjisSearch::AsciiLower(contentType), "multipart/mixed") &&
           SjisSearch::Contains(mailer, "PostPet");
}

TDecision TRuleSet::Decide(const std::vector<std::string>& lines, int64_t size) const {
    if (Mode == PostPet) {
        const bool pet = PostPetMail(HeaderField::FirstRuleValue(lines, "Content-Type:"),
                                     HeaderField::FirstRuleValue(lines, "X-Mailer:"));
        return pet ? TDecision{true, PostPetText} : TDecision{};
    }
    if (Mode != HeaderSearch) return TDecision{};
    // Text rules alone read no field of their own.
    static const std::vector<std::string> noLines;
    const THeader header(ReadsFields ? lines : noLines);
    if (!Allow.Match(header.From.Address).empty()) {
        // Kept: say so only where something would have ticked it.
        return Condemn(header, lines, size).Ticked ? TDecision{false, AllowedText} : TDecision{};
    }
    return Condemn(header, lines, size);
}

const char* const TRuleSet::AllowedReason = AllowedText;

bool TRuleSet::Allows(const std::vector<std::string>& lines) const {
    return !Allow.Match(Sender(lines).Address).empty();
}

TDecision TRuleSet::Condemn(const THeader& header, const std::vector<std::string>& lines,
                            int64_t size) const {
    const std::string blocked = Block.Match(header.From.Address);
    if (!blocked.empty()) return {true, BlockedText + blocked};

    // Rules on the same header share its decoded values.
    std::vector<std::vector<TTextRule::TDecoded>> decoded(RuleHeaders.size());
    std::vector<bool> done(RuleHeaders.size(), false);
    for (size_t i = 0; i < Rules.size(); ++i) {
        const size_t h = RuleHeaderIndex[i];
        if (!done[h]) {
            decoded[h] = TTextRule::DecodedValues(lines, Rules[i].HeaderName());
            done[h] = true;
        }
        if (Rules[i].Matches(decoded[h])) return {true, Rules[i].Rule()};
    }

    if (!AuthServId.empty()) {
        for (const std::string_view value : header.AuthResults) {
            if (TAuthResults::ReportsDmarcFail(value, AuthServId)) return {true, AuthFailText};
        }
    }
    if (!Charsets.Empty()) {
        std::string found = Charsets.Find(header.Subject);
        if (found.empty()) found = Charsets.Find(header.From.DisplayName);
        if (!found.empty()) return {true, CharsetText + found};
    }
    // Only a name that shows "@" or may decode to one can hold an address.
    const std::string& shown = header.From.DisplayName;
    if (Spoof && !header.From.Domain.empty() &&
        (shown.find('@') != std::string::npos || shown.find("=?") != std::string::npos)) {
        const std::string name = TMainDM::DecodeHeaderText(header.From.DisplayName);
        if (!TFromField::ForeignAddressDomain(name, header.From.Domain).empty())
            return {true, SpoofText};
    }
    if (MaxBytes > 0 && size > MaxBytes)
        return {true, SizeText + std::to_string((size + KiB - 1) / KiB) + "KB"};
    return TDecision{};
}
