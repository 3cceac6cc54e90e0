#include "rules/SenderListFile.h"

#include <cstdint>
#include <string_view>
#include <unordered_set>

#include "headers/Charset.h"
#include "headers/CharsetDecoders.h"
#include "headers/SjisText.h"
#include "rules/SenderList.h"

namespace SenderListFile {

namespace {

const std::string Utf8Mark = "\xEF\xBB\xBF";
const std::string Utf16LeMark = "\xFF\xFE", Utf16BeMark = "\xFE\xFF";

void AppendUtf8(uint32_t ch, std::string& out) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | ch >> 6);
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | ch >> 12);
        out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ch >> 18);
        out += static_cast<char>(0x80 | (ch >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

// UTF-16 (Notepad's "Unicode") after its mark, as UTF-8 with its mark; a lone surrogate or an
// odd last byte becomes U+FFFD, which no entry holds, so its line is refused by number.
std::string Utf16AsUtf8(std::string_view bytes, bool bigEndian) {
    std::string out = Utf8Mark;
    auto unit = [&](size_t at) {
        const auto high = static_cast<unsigned char>(bytes[at + (bigEndian ? 0 : 1)]);
        const auto low = static_cast<unsigned char>(bytes[at + (bigEndian ? 1 : 0)]);
        return static_cast<uint32_t>(high << 8 | low);
    };
    size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        uint32_t ch = unit(at);
        if (ch >= 0xD800 && ch < 0xDC00 && at + 3 < bytes.size()) {
            const uint32_t next = unit(at + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                ch = 0x10000 + ((ch - 0xD800) << 10) + (next - 0xDC00);
                at += 2;
            }
        }
        AppendUtf8(ch >= 0xD800 && ch < 0xE000 ? 0xFFFD : ch, out);
    }
    if (at < bytes.size()) AppendUtf8(0xFFFD, out);
    return out;
}

// The text as Shift_JIS: UTF-8 when marked or well-formed (Shift_JIS text with kanji seldom is),
// else taken as Shift_JIS already.
std::string AsShiftJis(const std::string& bytes) {
    for (const bool bigEndian : {false, true}) {
        const std::string& mark = bigEndian ? Utf16BeMark : Utf16LeMark;
        if (bytes.compare(0, mark.size(), mark) == 0)
            return AsShiftJis(Utf16AsUtf8(std::string_view(bytes).substr(mark.size()), bigEndian));
    }
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
        const std::string trimmed = SjisText::Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;  // blank, or a comment
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
