#include "settings/AccountFields.h"

#include <cstdint>
#include <cstring>

#include "headers/SjisText.h"
#include "settings/AccountStore.h"

namespace AccountFields {

namespace {

bool ReadPort(const std::string& text, int& port) {
    int32_t value = 0;
    if (!SjisText::ToInt32(text, value) || value < 0 || value > MaxPort) return false;
    port = value;
    return true;
}

std::string FoldedName(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        if (SjisText::IsLeadByte(folded[i]))
            ++i;
        else if (folded[i] >= 'a' && folded[i] <= 'z')
            folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
    }
    return folded;
}

// What an authserv-id is compared with: printable ASCII without blanks (the header may quote
// an id, so the specials are allowed).
bool IsIdChar(char c) { return c > ' ' && c < 0x7F; }

// A character of an RFC 2978 charset name.
bool IsCharsetChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!#$%&'+-^_`{}~", c));
}

template <class Pred>
bool AllOf(const std::string& text, Pred pred) {
    for (char c : text)
        if (!pred(c)) return false;
    return true;
}

}  // namespace

TServerParts SplitServer(const std::string& serverText) {
    const TServerAddress address = TServerAddress::Parse(serverText);
    TServerParts parts;
    parts.Host = address.Host;
    // Beyond 65535 the connection would wrap the port; such a text counts as no port at all.
    if (address.Port && *address.Port >= 0 && *address.Port <= MaxPort) parts.Port = *address.Port;
    return parts;
}

std::string PortSuffix(const std::string& portText) {
    int port = 0;
    if (!ReadPort(portText, port) || portText == "110") return "";
    return ":" + portText;
}

bool PortBeyondRange(const std::string& portText) {
    const std::string text = SjisText::Trim(portText);
    const size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (digits >= text.size() ||
        text.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    int port = 0;
    return !ReadPort(text, port);
}

std::string PortForSecurity(const std::string& portText, int security) {
    int port = 0;
    if (!ReadPort(SjisText::Trim(portText), port)) return portText;
    if (security == kSecuritySslTls && port == DefaultPort) return std::to_string(TlsPort);
    if (security != kSecuritySslTls && port == TlsPort) return std::to_string(DefaultPort);
    return portText;
}

std::string HeaderName(const std::string& text) {
    std::string name = SjisText::Trim(text);
    if (!name.empty() && name.back() != ':') name += ':';
    return name;
}

std::string DesignHeader(const std::string& comboText, const std::string& noneText) {
    const std::string text = SjisText::Trim(comboText);
    if (text.empty() || text == noneText) return "";
    return HeaderName(text);
}

bool SameName(const std::string& a, const std::string& b) { return FoldedName(a) == FoldedName(b); }

// The lamp is drawn over the caption's first characters.
const std::string LampRoom = "  ";

std::string TabName(const std::string& caption, bool lampShown) {
    if (lampShown && caption.compare(0, LampRoom.size(), LampRoom) == 0)
        return caption.substr(LampRoom.size());
    return caption;
}

std::string TabCaption(const std::string& name, bool lampShown) {
    return lampShown ? LampRoom + name : name;
}

bool CheckEveryFromText(const std::string& text, int& minutes, std::string& error) {
    const std::string typed = SjisText::Trim(text);
    int32_t value = 0;
    if (!typed.empty() && AllOf(typed, [](char c) { return c >= '0' && c <= '9'; }) &&
        SjisText::ToInt32(typed, value) && value >= 1 && value <= kMaxCheckEvery) {
        minutes = value;
        return true;
    }
    error = "確認の間隔「" + typed + "」は使えません。1 から " + std::to_string(kMaxCheckEvery) +
            " までの分数を入力してください。定期チェックをしないときは、チェックを外してください。";
    return false;
}

int AutoDelModeFor(TModeChoice choice, size_t ruleCount, bool checksOn) {
    switch (choice) {
        case TModeChoice::HeaderSearch:
            return ruleCount > 0 || checksOn ? kAutoDelHeaderSearch : kAutoDelNone;
        case TModeChoice::PostPet:
            return kAutoDelPostPet;
        case TModeChoice::None:
            break;
    }
    return kAutoDelNone;
}

bool FilterFromFields(const TFilterFields& fields, TAccountFilter& filter, std::string& error,
                      TFilterField& faulty) {
    TAccountFilter result;
    result.AuthFail = fields.AuthFail;
    result.AuthServId = SjisText::Trim(fields.AuthServId);
    if (fields.AuthFail && result.AuthServId.empty()) {
        error =
            "認証失敗の判定には、認証結果を書くサーバの名前 (authserv-id) が要ります。"
            "「一覧のメールから取得」を押すか、名前を入力してください。";
        faulty = TFilterField::AuthServId;
        return false;
    }
    // An id no header can carry would leave the check on and matching nothing.
    if (fields.AuthFail && !AllOf(result.AuthServId, IsIdChar)) {
        error =
            "authserv-id「" + result.AuthServId +
            "」には使えない文字があります。空白や日本語を含まない英数字と記号で入力してください。";
        faulty = TFilterField::AuthServId;
        return false;
    }
    if (fields.CharsetsOn) {
        const std::string list = fields.Charsets;
        for (size_t start = 0; start <= list.size();) {
            size_t end = SjisText::FindChar(list, ',', start);
            if (end == std::string::npos) end = list.size();
            const std::string name = SjisText::Trim(list.substr(start, end - start));
            start = end + 1;
            if (name.empty()) continue;
            if (!AllOf(name, IsCharsetChar)) {
                error =
                    "文字コード名「" + name +
                    "」に使えない文字があります。名前は英数字と記号で書き、\",\" で区切ります。";
                faulty = TFilterField::Charsets;
                return false;
            }
            result.Charsets += (result.Charsets.empty() ? "" : ",") + name;
        }
        if (result.Charsets.empty()) {
            error = "判定する文字コードの名前を \",\" で区切って入力してください。";
            faulty = TFilterField::Charsets;
            return false;
        }
    } else {
        result.KeptCharsets = SjisText::Trim(fields.Charsets);
    }
    result.Spoof = fields.Spoof;
    const std::string size = SjisText::Trim(fields.MaxSizeText);
    int32_t kilobytes = 0;
    if (!size.empty() && (!AllOf(size, [](char c) { return c >= '0' && c <= '9'; }) ||
                          !SjisText::ToInt32(size, kilobytes) || kilobytes > MaxFilterSize)) {
        error = "サイズの上限「" + size + "」は使えません。KB の数を 0 から " +
                std::to_string(MaxFilterSize) +
                " (約 2 GB) までで入力してください (0 は判定しない)。";
        faulty = TFilterField::MaxSize;
        return false;
    }
    result.MaxSize = kilobytes;
    // Set in the learning dialog, not among these fields.
    result.LearnedDelete = filter.LearnedDelete;
    filter = result;
    return true;
}

}  // namespace AccountFields
