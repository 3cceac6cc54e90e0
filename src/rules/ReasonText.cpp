#include "rules/ReasonText.h"

#include <cstring>

#include "headers/MainDM.h"

namespace {

// Reasons that are words already: the lists' and the checks' (see TRuleSet).
const char* const WordReasons[] = {"拒否リスト: ", "許可リスト", "認証失敗: ", "文字コード: ",
                                   "なりすまし表示名", "サイズ: ", "PostPet", "学習: "};

struct THeaderWord {
    const char* Header;
    const char* Word;
};
const THeaderWord HeaderWords[] = {
    {"subject:", "件名"}, {"from:", "差出人"},     {"to:", "宛先"},
    {"cc:", "Cc"},        {"reply-to:", "返信先"}, {"date:", "日付"},
};

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string HeaderWord(const std::string& header) {
    if (header.empty()) return "ヘッダ";  // a rule without a header searches every line
    std::string lower = header;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const THeaderWord& word : HeaderWords) {
        if (lower == word.Header) return word.Word;
    }
    std::string name = header;
    if (!name.empty() && name.back() == ':') name.pop_back();
    return name;
}

}  // namespace

std::string ReasonText::Sentence(const std::string& reason) {
    if (reason.empty()) return reason;
    for (const char* word : WordReasons) {
        if (StartsWith(reason, word)) return reason;
    }
    const TRuleParts parts = TMainDM::SplitRule(reason);
    return HeaderWord(parts.Header) + "に「" + parts.Text + "」";
}
