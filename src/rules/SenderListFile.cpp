#include "rules/SenderListFile.h"

#include <unordered_set>

#include "headers/Charset.h"
#include "headers/CharsetDecoders.h"
#include "headers/SjisText.h"
#include "rules/SenderList.h"

namespace SenderListFile {

namespace {

const std::string Utf8Mark = "\xEF\xBB\xBF";

// The text as Shift_JIS: UTF-8 when marked or well-formed (Shift_JIS text with kanji seldom is),
// else taken as Shift_JIS already.
std::string AsShiftJis(const std::string& bytes) {
    const bool marked = bytes.compare(0, Utf8Mark.size(), Utf8Mark) == 0;
    const std::string_view text =
        marked ? std::string_view(bytes).substr(Utf8Mark.size()) : std::string_view(bytes);
    if (!marked && (SjisText::FindEightBit(text) == text.size() || !TCharsetDecoders::IsUtf8(text)))
        return std::string(text);
    std::string converted;
    TCharset(TCharset::TKind::Utf8).Decode(text, converted);
    return converted;
}

}  // namespace

TImport Import(const std::string& bytes) {
    TImport result;
    const std::string text = AsShiftJis(bytes);
    std::unordered_set<std::string> seen;
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);  // a CR is trimmed as a blank
        start = end + 1;
        ++number;
        if (SjisText::Trim(line).empty()) continue;
        std::string entry, error;
        if (!TSenderList::ParseEntry(line, entry, error)) {
            result.Refused.push_back(std::to_string(number) + "行目: " + error);
            continue;
        }
        if (!seen.insert(entry).second) continue;  // listed twice in the file
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

std::string Export(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) text += entry + "\r\n";
    return text;
}

}  // namespace SenderListFile
