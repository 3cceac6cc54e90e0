#include "settings/AccountStore.h"

#include <algorithm>

#include "auth/SecretBox.h"
#include "headers/SjisText.h"
#include "settings/ScramblePassword.h"
#include "settings/SettingsKeys.h"

namespace {

std::string RuleValueName(int index) { return "Rule" + std::to_string(index); }

// A backslash in a user name ("DOMAIN\user") would nest the account's key one level deeper, where
// enumeration never finds it; the key's name holds "/" in its place.
std::string WithoutSeparators(const std::string& keyName) {
    std::string name = keyName;
    for (size_t i = 0; i < name.size(); ++i) {
        if (SjisText::IsLeadByte(name[i]))
            ++i;
        else if (name[i] == '\\')
            name[i] = '/';
    }
    return name;
}

// A SHA-256 fingerprint as the account keeps it: 64 hexadecimal digits.
bool IsCertHash(const std::string& text) {
    constexpr size_t HexDigits = 64;
    return text.size() == HexDigits &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

bool TAccountFilter::AnyOn() const {
    return AuthFail || Spoof || MaxSize > 0 || !SjisText::Trim(Charsets).empty();
}

std::string TAccountStore::AccountKeyName(const std::string& user, const std::string& host) {
    return WithoutSeparators(user + "@" + host);
}

std::string TAccountStore::AccountPath(const std::string& keyName) {
    // An empty name would address "\Connect" itself.
    if (keyName.empty()) return "";
    return std::string(kConnectKey) + "\\" + WithoutSeparators(keyName);
}

std::vector<std::string> TAccountStore::EnumerateAccounts() {
    if (!Registry.OpenKey(kConnectKey, true)) return {};
    return Registry.GetKeyNames();
}

bool TAccountStore::OpenAccount(const std::string& keyName) {
    const std::string path = AccountPath(keyName);
    if (path.empty()) {
        Registry.CloseKey();
        return false;
    }
    return Registry.OpenKey(path, false);
}

TAccountSettings TAccountStore::LoadAccount() {
    TAccountSettings account;
    account.Name = Registry.ReadString("Name").value_or("");
    account.Design = Registry.ReadString("Design").value_or("");
    account.Serv = Registry.ReadString("HostName").value_or("");
    account.IDNum = Registry.ReadString("ID").value_or("");
    account.APOPCheck = Registry.ReadBool("APOP").value_or(false);
    // "APOP" is the older value and an older program may have changed it alone: it decides
    // between the two password methods.
    const int method = Registry.ReadInteger("Auth").value_or(AuthPassword);
    account.OAuth.Method = IsOAuth(method) ? method : account.APOPCheck ? AuthApop : AuthPassword;
    if (IsOAuth(method)) account.APOPCheck = false;
    account.OAuth.ClientId = Registry.ReadString("ClientId").value_or("");
    account.OAuth.Tenant = Registry.ReadString("Tenant").value_or("");
    account.OAuth.ClientSecret = Registry.ReadString("ClientSecret").value_or("");
    account.OAuth.AuthorizeUrl = Registry.ReadString("AuthorizeUrl").value_or("");
    account.OAuth.TokenUrl = Registry.ReadString("TokenUrl").value_or("");
    account.OAuth.DeviceUrl = Registry.ReadString("DeviceUrl").value_or("");
    account.OAuth.Scope = Registry.ReadString("Scope").value_or("");
    account.RefreshToken = LoadRefreshToken();
    if (auto stored = Registry.ReadBinary("PassWord")) {
        const std::string password = ScramblePassword(*stored, TScrambleDirection::Unscramble);
        account.Pass = password.substr(0, password.find('\0'));
    }
    account.Security = KnownSecurity(Registry.ReadInteger("Security").value_or(kSecurityNone));
    account.CertHash = Registry.ReadString("CertHash").value_or("");
    account.CheckEvery = KnownCheckEvery(Registry.ReadInteger("CheckEvery").value_or(0));
    account.DeleteTicked = Registry.ReadBool("DeleteTicked").value_or(false);
    account.KeepCopy = Registry.ReadBool("KeepCopy").value_or(false);
    const std::string accountKey = Registry.CurrentPath();
    account.Filter = LoadFilter();
    // Back to the account's key (when there was one) for the rules.
    if (!accountKey.empty()) Registry.ReopenKey(accountKey);
    LoadRules(account.AutoDelMode, account.Rules, account.Filter.AnyOn());
    return account;
}

TAccountFilter TAccountStore::LoadFilter() {
    TAccountFilter filter;
    if (!Registry.KeyExists("Filter") || !Registry.OpenKey("Filter", false)) return filter;
    filter.AuthFail = Registry.ReadBool("AuthFail").value_or(false);
    filter.AuthServId = Registry.ReadString("AuthServId").value_or("");
    filter.Charsets = Registry.ReadString("Charsets").value_or("");
    filter.KeptCharsets = Registry.ReadString("KeptCharsets").value_or("");
    filter.Spoof = Registry.ReadBool("Spoof").value_or(false);
    filter.MaxSize = std::max(0, Registry.ReadInteger("MaxSize").value_or(0));
    filter.LearnedDelete = Registry.ReadBool("LearnedDelete").value_or(false);
    return filter;
}

void TAccountStore::LoadRules(int& autoDelMode, std::vector<std::string>& rules, bool checksOn) {
    autoDelMode = kAutoDelNone;
    rules.clear();
    if (!Registry.KeyExists("AutoDel") || !Registry.OpenKey("AutoDel", false)) return;
    if (Registry.ReadBool("Enable").value_or(false)) {
        // The writer always stores "Mode" beside "Enable"; without it, header search is meant.
        autoDelMode =
            Registry.ReadBool("Mode").value_or(false) ? kAutoDelPostPet : kAutoDelHeaderSearch;
    }
    for (int i = 0; i < kMaxStoredRules; ++i) {
        auto rule = Registry.ReadString(RuleValueName(i));
        if (!rule) break;
        rules.push_back(*rule);
    }
    // Header search with nothing to search for is no mode; a check on is something.
    if (autoDelMode == kAutoDelHeaderSearch && rules.empty() && !checksOn)
        autoDelMode = kAutoDelNone;
}

bool TAccountStore::SaveAccount(const TAccountSettings& account, const std::string& keyName,
                                const std::string& replacedKeyName) {
    const std::string path = AccountPath(keyName);
    if (path.empty()) return false;
    const std::string replacedPath = AccountPath(replacedKeyName);
    // The replaced key may already be gone; that is no failure.
    if (!replacedPath.empty()) Registry.DeleteKey(replacedPath);

    if (!Registry.OpenKey(path, true)) return false;
    bool ok = Registry.WriteString("Name", account.Name);
    ok = Registry.WriteString("HostName", account.Serv) && ok;
    ok = Registry.WriteString("ID", account.IDNum) && ok;
    const int method = IsOAuth(account.OAuth.Method) ? account.OAuth.Method
                       : account.APOPCheck           ? AuthApop
                                                     : AuthPassword;
    ok = Registry.WriteBool("APOP", method == AuthApop) && ok;
    ok = Registry.WriteInteger("Auth", method) && ok;
    ok = Registry.WriteString("ClientId", account.OAuth.ClientId) && ok;
    ok = Registry.WriteString("Tenant", account.OAuth.Tenant) && ok;
    ok = Registry.WriteString("ClientSecret", account.OAuth.ClientSecret) && ok;
    ok = Registry.WriteString("AuthorizeUrl", account.OAuth.AuthorizeUrl) && ok;
    ok = Registry.WriteString("TokenUrl", account.OAuth.TokenUrl) && ok;
    ok = Registry.WriteString("DeviceUrl", account.OAuth.DeviceUrl) && ok;
    ok = Registry.WriteString("Scope", account.OAuth.Scope) && ok;
    // A token the account no longer logs in with is no use to anyone: it goes.
    if (!IsOAuth(method))
        ok = WriteRefreshToken("") && ok;
    else if (!account.RefreshToken.empty())
        ok = WriteRefreshToken(account.RefreshToken) && ok;
    if (!account.Pass.empty()) {
        ok = Registry.WriteBinary("PassWord",
                                  ScramblePassword(account.Pass, TScrambleDirection::Scramble)) &&
             ok;
    } else if (Registry.ValueExists("PassWord")) {
        ok = Registry.DeleteValue("PassWord") && ok;
    }
    ok = Registry.WriteString("Design", account.Design) && ok;
    ok = Registry.WriteInteger("Security", KnownSecurity(account.Security)) && ok;
    if (!account.CertHash.empty()) ok = Registry.WriteString("CertHash", account.CertHash) && ok;
    ok = Registry.WriteInteger("CheckEvery", KnownCheckEvery(account.CheckEvery)) && ok;
    ok = Registry.WriteBool("DeleteTicked", account.DeleteTicked) && ok;
    ok = Registry.WriteBool("KeepCopy", account.KeepCopy) && ok;

    if (!Registry.OpenKey("AutoDel", true)) return false;
    const bool enable =
        account.AutoDelMode == kAutoDelHeaderSearch || account.AutoDelMode == kAutoDelPostPet;
    ok = Registry.WriteBool("Enable", enable) && ok;
    ok = Registry.WriteBool("Mode", account.AutoDelMode == kAutoDelPostPet) && ok;
    // Every old rule goes, also those behind a gap: fewer new rules would otherwise close the
    // gap and bring a stale rule back into use. Past Rule63 only what a longer list left.
    for (int i = 0; i < kMaxStoredRules || Registry.ValueExists(RuleValueName(i)); ++i) {
        if (Registry.ValueExists(RuleValueName(i)))
            ok = Registry.DeleteValue(RuleValueName(i)) && ok;
    }
    for (size_t i = 0; i < account.Rules.size(); ++i)
        ok = Registry.WriteString(RuleValueName(static_cast<int>(i)), account.Rules[i]) && ok;

    if (!Registry.OpenKey(path + "\\Filter", true)) return false;
    const TAccountFilter& filter = account.Filter;
    ok = Registry.WriteBool("AuthFail", filter.AuthFail) && ok;
    ok = Registry.WriteString("AuthServId", filter.AuthServId) && ok;
    ok = Registry.WriteString("Charsets", filter.Charsets) && ok;
    ok = Registry.WriteString("KeptCharsets", filter.KeptCharsets) && ok;
    ok = Registry.WriteBool("Spoof", filter.Spoof) && ok;
    ok = Registry.WriteInteger("MaxSize", std::max(0, filter.MaxSize)) && ok;
    ok = Registry.WriteBool("LearnedDelete", filter.LearnedDelete) && ok;
    return ok;
}

bool TAccountStore::SaveCertHash(const std::string& keyName, const std::string& certHash) {
    // Anything but a fingerprint would erase or spoil the certificate trusted before.
    if (!IsCertHash(certHash)) return false;
    const std::string path = AccountPath(keyName);
    if (path.empty() || !Registry.OpenKey(path, false)) return false;
    return Registry.WriteString("CertHash", certHash);
}

bool TAccountStore::SaveLearnedDelete(const std::string& keyName, bool on) {
    const std::string path = AccountPath(keyName);
    if (path.empty() || !Registry.OpenKey(path, false)) return false;
    return Registry.OpenKey(path + "\\Filter", true) && Registry.WriteBool("LearnedDelete", on);
}

bool TAccountStore::SaveRefreshToken(const std::string& keyName, const std::string& token) {
    const std::string path = AccountPath(keyName);
    if (path.empty() || !Registry.OpenKey(path, false)) return false;
    return WriteRefreshToken(token);
}

std::string TAccountStore::LoadRefreshToken() {
    std::string token;
    const std::optional<std::string> sealed = Registry.ReadBinary("RefreshToken");
    if (!Box || !sealed || !Box->Open(*sealed, token)) return "";
    return token;
}

bool TAccountStore::WriteRefreshToken(const std::string& token) {
    if (token.empty())
        return !Registry.ValueExists("RefreshToken") || Registry.DeleteValue("RefreshToken");
    std::string sealed;
    if (!Box || !Box->Seal(token, sealed)) return false;
    return Registry.WriteBinary("RefreshToken", sealed);
}

bool TAccountStore::DeleteAccount(const std::string& keyName) {
    const std::string path = AccountPath(keyName);
    if (path.empty() || !Registry.OpenKey(kConnectKey, true)) return false;
    return Registry.DeleteKey(path);
}
