#pragma once
#include <string>
#include <vector>

#include "auth/OAuthProvider.h"
#include "settings/RegistryAccessor.h"

class TSecretBox;

// Automatic delete-check modes of an account.
constexpr int kAutoDelNone = 0;
constexpr int kAutoDelHeaderSearch = 1;
constexpr int kAutoDelPostPet = 2;
// Rules are stored as Rule0 to Rule63; a load reads no more.
constexpr int kMaxStoredRules = 64;
// How an account's connection is protected ("Security"); any other stored number means none.
constexpr int kSecurityNone = 0;
constexpr int kSecuritySslTls = 1;    // TLS from the first byte
constexpr int kSecurityStartTls = 2;  // plain connect, then STLS
inline int KnownSecurity(int security) {
    return security == kSecuritySslTls || security == kSecurityStartTls ? security : kSecurityNone;
}
// Minutes between periodic checks ("CheckEvery"); 0, or any number outside 1..1440, is off.
constexpr int kMaxCheckEvery = 1440;
inline int KnownCheckEvery(int minutes) {
    return minutes >= 1 && minutes <= kMaxCheckEvery ? minutes : 0;
}

// The account's spam checks, stored in the subkey "Filter" of its key (missing: off). They
// apply in header search mode, as the sender lists do.
struct TAccountFilter {
    bool AuthFail = false;   // "AuthFail": tick on dmarc=fail from the provider named below
    std::string AuthServId;  // "AuthServId": the provider's authserv-id
    std::string Charsets;    // "Charsets": charset names separated by ","; empty: off
    bool Spoof = false;      // "Spoof": tick a display name holding a foreign address
    int MaxSize = 0;         // "MaxSize": KB; 0: off
    // "LearnedDelete": an automatic deletion takes the rows learning ticked too (not a check)
    bool LearnedDelete = false;
    // "KeptCharsets": the list written while the charset check is off, shown when it is on again
    std::string KeptCharsets;
    // True when a check is on: the account then searches headers even without text rules.
    bool AnyOn() const;
};

// One account as stored under "\Connect\<user>@<host>".
struct TAccountSettings {
    std::string Name;    // the tab caption, without the lamp's two-space prefix
    std::string Design;  // designated header with its colon, or empty
    std::string Serv;    // "HostName": the host, or host ":" port when the port is not 110
    std::string IDNum;   // POP3 user name
    bool APOPCheck = false;
    // The login method: OAuth.Method is "Auth" (0 password, 1 APOP, 2 Microsoft, 3 Google),
    // kept in step with "APOP"; the other fields are the OAuth 2.0 client and its overrides.
    TOAuthAccount OAuth;
    // The refresh token, opened from its sealed form; empty when the account has not signed in
    // or the store was given no box. Never stored but sealed.
    std::string RefreshToken;
    std::string Pass;  // empty when no password is stored
    int AutoDelMode = kAutoDelNone;
    std::vector<std::string> Rules;
    int Security = kSecurityNone;
    // Fingerprint of the certificate the user chose to trust (lower-case hex SHA-256), or empty.
    std::string CertHash;
    // Periodic checks: minutes between them (0 off), deleting the rule-ticked mail unasked,
    // keeping a copy of each deleted message.
    int CheckEvery = 0;
    bool DeleteTicked = false;
    bool KeepCopy = false;
    TAccountFilter Filter;
};

// The accounts part of the settings store.
class TAccountStore {
public:
    // Without a box no refresh token is read or written.
    explicit TAccountStore(TRegistryAccessor& registry, TSecretBox* box = nullptr)
        : Registry(registry), Box(box) {}

    // The key name of an account: user name, "@", host without the port; a "\" becomes "/".
    static std::string AccountKeyName(const std::string& user, const std::string& host);

    // Opens "\Connect" (creating it) and lists its subkeys in the registry's order. "\Connect"
    // stays current, so a page loaded right after loads nothing.
    std::vector<std::string> EnumerateAccounts();
    // Opens the account's key without creating it. On failure no key is current and a load that
    // follows gives empty values.
    bool OpenAccount(const std::string& keyName);

    // Loads the account from the current key, rules and checks included. Values missing or of
    // another kind read as empty, false or none; the current key is left at the account key or
    // one of its subkeys. Header search without text rules loads as no mode, unless a check is
    // on.
    TAccountSettings LoadAccount();
    // Fills the mode and the rules from the subkey "AutoDel" of the current key; header search
    // without rules and without `checksOn` becomes no mode.
    void LoadRules(int& autoDelMode, std::vector<std::string>& rules, bool checksOn = false);
    // The checks from the subkey "Filter" of the current key.
    TAccountFilter LoadFilter();

    // Stores the account under `keyName`, first deleting the key `replacedKeyName` (when not
    // empty) with its subkeys. A password is stored whole when not empty, else removed. An empty
    // CertHash leaves a stored one alone; a replaced key takes its own with it.
    bool SaveAccount(const TAccountSettings& account, const std::string& keyName,
                     const std::string& replacedKeyName = "");
    // Stores the trusted certificate's fingerprint (64 hexadecimal digits) in the existing
    // account key; anything else, an empty text included, is refused and leaves the stored one.
    bool SaveCertHash(const std::string& keyName, const std::string& certHash);
    // Stores the account's "Filter" "LearnedDelete" in the existing account key.
    bool SaveLearnedDelete(const std::string& keyName, bool on);
    // Seals the refresh token into the existing account key ("RefreshToken", binary); an empty
    // token removes it. False, leaving the stored one, when it cannot be sealed.
    bool SaveRefreshToken(const std::string& keyName, const std::string& token);
    // Deletes the account's key with its subkeys.
    bool DeleteAccount(const std::string& keyName);

private:
    // Path of the account's key, or empty for an empty name.
    static std::string AccountPath(const std::string& keyName);

    // The stored "RefreshToken" opened; empty when missing or unreadable.
    std::string LoadRefreshToken();
    // Into the current key: the sealed token, or its removal for an empty one.
    bool WriteRefreshToken(const std::string& token);

    TRegistryAccessor& Registry;
    TSecretBox* Box;
};
