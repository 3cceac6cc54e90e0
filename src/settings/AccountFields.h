#pragma once
#include <string>

#include "headers/ServerAddress.h"
#include "settings/AccountStore.h"

// The text rules of the account settings dialog, kept apart from its windows.
namespace AccountFields {

constexpr int DefaultPort = TServerAddress::DefaultPort;
constexpr int TlsPort = TServerAddress::TlsPort;
constexpr int MaxPort = 65535;

// A page's server text split for the dialog: the host as typed (blanks around it dropped) and
// the port. A port that is not a number within 0..65535 reads as 110, so the dialog always opens.
struct TServerParts {
    std::string Host;
    int Port = DefaultPort;
};
TServerParts SplitServer(const std::string& serverText);

// What follows the host in "HostName" for the port field's text: nothing for 110, else ":" and
// the text as typed. A text that is not a port number within 0..65535 stands for 110.
std::string PortSuffix(const std::string& portText);

// A port typed as a whole number outside 0..MaxPort: the dialog refuses it, where a stored server
// text would keep only the number's low 16 bits (70000 would reach port 4464).
bool PortBeyondRange(const std::string& portText);

// The port field's text after the protection changed to `security` (kSecurity...): choosing
// SSL/TLS while the port is 110 gives 995, any other choice while it is 995 gives 110; a port
// typed otherwise stays.
std::string PortForSecurity(const std::string& portText, int security);

// The minutes typed for the periodic check: a whole number within 1..kMaxCheckEvery. False with
// a message (Shift_JIS) for anything else; 0 is no way to switch the check off, its tick is.
bool CheckEveryFromText(const std::string& text, int& minutes, std::string& error);

// A header name as the rules and the designated header hold it: blanks and control characters
// trimmed, ":" appended when missing; empty stays empty.
std::string HeaderName(const std::string& text);

// The designated header for the combo box's text: empty for none (an empty text or `noneText`).
std::string DesignHeader(const std::string& comboText, const std::string& noneText);

// Account names compare with ASCII letters folded to upper case; the second byte of a
// two-byte character is never folded, so two different kanji never compare equal.
bool SameName(const std::string& a, const std::string& b);

// The account name a tab shows: its caption without the two-space room for the lamp.
std::string TabName(const std::string& caption, bool lampShown);
// The tab caption for an account name: room for the lamp before it when lamps are shown.
std::string TabCaption(const std::string& name, bool lampShown);

// The mode stored for the chosen option: header search without any rule and without a check
// on (TAccountFilter::AnyOn) is no mode at all.
enum class TModeChoice { None, HeaderSearch, PostPet };
int AutoDelModeFor(TModeChoice choice, size_t ruleCount, bool checksOn = false);

// The spam checks as the dialog's fields give them.
struct TFilterFields {
    bool AuthFail = false;
    std::string AuthServId;
    bool CharsetsOn = false;
    std::string Charsets;
    bool Spoof = false;
    std::string MaxSizeText;  // KB; empty is 0
};
// The fields a refusal can name.
enum class TFilterField { AuthServId, Charsets, MaxSize };
// Above this many KB a size no longer fits the 32 bits POP3 listings are read into.
constexpr int MaxFilterSize = 2097151;

// The checks to store for the fields, names trimmed and the charset list written without blanks
// ("GB2312,GBK"). False with a message (Shift_JIS) for the first field that cannot be stored:
// the authentication check without a valid authserv-id (a header token), the charset check
// without a name or with a name a charset cannot have, a size that is not a whole number within
// 0..MaxFilterSize; `faulty` names that field. A check that is off applies no charset list;
// the list written in its field is kept apart, to be shown when the check is ticked again.
bool FilterFromFields(const TFilterFields& fields, TAccountFilter& filter, std::string& error,
                      TFilterField& faulty);

}  // namespace AccountFields
