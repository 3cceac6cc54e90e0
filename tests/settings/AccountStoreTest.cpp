#include "RegistryBackends.h"
#include "auth/SecretBox.h"
#include "settings/AccountStore.h"
#include "settings/ScramblePassword.h"

namespace {

template <class Backend>
class AccountStoreTest : public RegistryTest<Backend> {
protected:
    TAccountStore Store{*this->Registry};

    TAccountSettings Load(const std::string& keyName) {
        EXPECT_TRUE(Store.OpenAccount(keyName)) << keyName;
        return Store.LoadAccount();
    }
};
TYPED_TEST_SUITE(AccountStoreTest, TRegistryBackends);

TAccountSettings SampleAccount() {
    TAccountSettings a;
    a.Name = "会社";
    a.Design = "X-Mailer:";
    a.Serv = "pop.example.jp:995";
    a.IDNum = "taro";
    a.APOPCheck = true;
    a.Pass = "abc";
    a.AutoDelMode = kAutoDelPostPet;
    a.Rules = {"Subject:,未承諾広告", "From:,a,b"};
    a.Security = kSecuritySslTls;
    a.CertHash = "00ff" + std::string(60, 'a');
    a.CheckEvery = 15;
    a.DeleteTicked = true;
    a.KeepCopy = true;
    a.Filter = {true, "mx.example.jp", "GB2312,Big5", true, 2048, true, "KOI8-R"};
    return a;
}

void ExpectSame(const TAccountSettings& a, const TAccountSettings& b) {
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.Design, b.Design);
    EXPECT_EQ(a.Serv, b.Serv);
    EXPECT_EQ(a.IDNum, b.IDNum);
    EXPECT_EQ(a.APOPCheck, b.APOPCheck);
    EXPECT_EQ(a.Pass, b.Pass);
    EXPECT_EQ(a.AutoDelMode, b.AutoDelMode);
    EXPECT_EQ(a.Rules, b.Rules);
    EXPECT_EQ(a.Security, b.Security);
    EXPECT_EQ(a.CertHash, b.CertHash);
    EXPECT_EQ(a.CheckEvery, b.CheckEvery);
    EXPECT_EQ(a.DeleteTicked, b.DeleteTicked);
    EXPECT_EQ(a.KeepCopy, b.KeepCopy);
    EXPECT_EQ(a.Filter.AuthFail, b.Filter.AuthFail);
    EXPECT_EQ(a.Filter.AuthServId, b.Filter.AuthServId);
    EXPECT_EQ(a.Filter.Charsets, b.Filter.Charsets);
    EXPECT_EQ(a.Filter.Spoof, b.Filter.Spoof);
    EXPECT_EQ(a.Filter.MaxSize, b.Filter.MaxSize);
    EXPECT_EQ(a.Filter.KeptCharsets, b.Filter.KeptCharsets);
    EXPECT_EQ(a.Filter.LearnedDelete, b.Filter.LearnedDelete);
}

TYPED_TEST(AccountStoreTest, LearnedDeleteIsStoredAloneAndOnlyForAnExistingAccount) {
    auto account = SampleAccount();
    account.Filter.LearnedDelete = false;
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    for (const bool on : {true, false}) {
        ASSERT_TRUE(this->Store.SaveLearnedDelete("u@h", on));
        account.Filter.LearnedDelete = on;
        ExpectSame(this->Load("u@h"), account);
    }
    EXPECT_FALSE(this->Store.SaveLearnedDelete("gone@h", true));
    EXPECT_FALSE(this->Registry->KeyExists("\\Connect\\gone@h"));
}

TYPED_TEST(AccountStoreTest, SavedAccountLoadsBackWithItsStoredLayout) {
    const auto account = SampleAccount();
    const auto key = TAccountStore::AccountKeyName("taro", "pop.example.jp");
    ASSERT_TRUE(this->Store.SaveAccount(account, key));
    EXPECT_EQ(this->Store.EnumerateAccounts(), std::vector<std::string>{"taro@pop.example.jp"});
    ExpectSame(this->Load(key), account);

    auto& r = *this->Registry;
    ASSERT_TRUE(r.OpenKey("\\Connect\\taro@pop.example.jp", false));
    EXPECT_EQ(r.ReadBinary("PassWord"), "\x3E\xBC\x3C");
    EXPECT_EQ(r.ReadString("HostName"), "pop.example.jp:995");
    EXPECT_EQ(r.ReadInteger("Security"), 1);
    EXPECT_EQ(r.ReadString("CertHash"), account.CertHash);
    EXPECT_EQ(r.ReadInteger("CheckEvery"), 15);
    EXPECT_EQ(r.ReadInteger("DeleteTicked"), 1);
    EXPECT_EQ(r.ReadInteger("KeepCopy"), 1);
    ASSERT_TRUE(r.OpenKey("AutoDel", false));
    EXPECT_EQ(r.ReadBool("Enable"), true);
    EXPECT_EQ(r.ReadBool("Mode"), true);
    EXPECT_EQ(r.ReadString("Rule1"), "From:,a,b");
    ASSERT_TRUE(r.OpenKey("\\Connect\\taro@pop.example.jp\\Filter", false));
    EXPECT_EQ(r.ReadInteger("AuthFail"), 1);
    EXPECT_EQ(r.ReadString("AuthServId"), "mx.example.jp");
    EXPECT_EQ(r.ReadString("Charsets"), "GB2312,Big5");
    EXPECT_EQ(r.ReadInteger("Spoof"), 1);
    EXPECT_EQ(r.ReadInteger("MaxSize"), 2048);
}

TYPED_TEST(AccountStoreTest, PasswordsOfAnyLengthAreStoredWhole) {
    for (size_t length : {1u, 63u, 64u, 200u}) {
        auto account = SampleAccount();
        account.Pass.clear();
        for (size_t i = 0; i < length; ++i) account.Pass += static_cast<char>('!' + i % 90);
        ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
        EXPECT_EQ(this->Load("u@h").Pass, account.Pass) << length;
        ASSERT_TRUE(this->Store.OpenAccount("u@h"));
        EXPECT_EQ(this->Registry->ReadBinary("PassWord")->size(), length);
    }
}

TYPED_TEST(AccountStoreTest, EmptyPasswordRemovesTheStoredOne) {
    auto account = SampleAccount();
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    account.Pass.clear();
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    ASSERT_TRUE(this->Store.OpenAccount("u@h"));
    EXPECT_FALSE(this->Registry->ValueExists("PassWord"));
    EXPECT_EQ(this->Store.LoadAccount().Pass, "");
}

struct ModeCase {
    const char* What;
    std::optional<bool> Enable;
    std::optional<bool> Mode;
    bool WithRule;
    const char* FilterValue;  // one check switched on in "Filter", or none
    int Expected;
};

TYPED_TEST(AccountStoreTest, ModeFollowsEnableModeAndRules) {
    const ModeCase cases[] = {
        {"Mode without Enable", false, true, true, nullptr, kAutoDelNone},
        {"Enable missing", std::nullopt, true, true, nullptr, kAutoDelNone},
        {"header search without rules", true, false, false, nullptr, kAutoDelNone},
        {"header search with Rule0", true, false, true, nullptr, kAutoDelHeaderSearch},
        {"PostPet needs no rules", true, true, false, nullptr, kAutoDelPostPet},
        {"Enable without Mode", true, std::nullopt, true, nullptr, kAutoDelHeaderSearch},
        {"a check needs no rules", true, false, false, "Spoof", kAutoDelHeaderSearch},
        {"size check needs no rules", true, false, false, "MaxSize", kAutoDelHeaderSearch},
        {"a check is no mode", false, false, false, "AuthFail", kAutoDelNone},
    };
    for (const auto& c : cases) {
        auto& r = *this->Registry;
        r.DeleteKey("\\Connect\\u@h");
        this->Open("\\Connect\\u@h\\AutoDel");
        if (c.Enable) r.WriteBool("Enable", *c.Enable);
        if (c.Mode) r.WriteBool("Mode", *c.Mode);
        if (c.WithRule) r.WriteString("Rule0", "Subject:,x");
        if (c.FilterValue) {
            this->Open("\\Connect\\u@h\\Filter");
            r.WriteInteger(c.FilterValue, 1);
        }
        EXPECT_EQ(this->Load("u@h").AutoDelMode, c.Expected) << c.What;
    }
}

TYPED_TEST(AccountStoreTest, OnlyKnownSecurityNumbersLoadAndSave) {
    const struct {
        std::optional<int32_t> Stored;
        int Expected;
    } cases[] = {{std::nullopt, kSecurityNone}, {0, kSecurityNone}, {1, kSecuritySslTls},
                 {2, kSecurityStartTls},        {3, kSecurityNone}, {-1, kSecurityNone},
                 {0x10001, kSecurityNone}};
    for (const auto& c : cases) {
        auto& r = *this->Registry;
        r.DeleteKey("\\Connect\\u@h");
        this->Open("\\Connect\\u@h");
        if (c.Stored) r.WriteInteger("Security", *c.Stored);
        EXPECT_EQ(this->Load("u@h").Security, c.Expected) << c.Stored.value_or(-99);

        auto account = SampleAccount();
        account.Security = c.Stored.value_or(0);
        ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
        ASSERT_TRUE(this->Store.OpenAccount("u@h"));
        EXPECT_EQ(r.ReadInteger("Security"), c.Expected) << c.Stored.value_or(-99);
    }
}

TYPED_TEST(AccountStoreTest, CheckEveryOutsideOneToADayIsOff) {
    const struct {
        std::optional<int32_t> Stored;
        int Expected;
    } cases[] = {{std::nullopt, 0}, {0, 0}, {1, 1}, {1440, 1440}, {1441, 0}, {-5, 0}};
    auto& r = *this->Registry;
    for (const auto& c : cases) {
        r.DeleteKey("\\Connect\\u@h");
        this->Open("\\Connect\\u@h");
        if (c.Stored) r.WriteInteger("CheckEvery", *c.Stored);
        EXPECT_EQ(this->Load("u@h").CheckEvery, c.Expected) << c.Stored.value_or(-99);

        auto account = SampleAccount();
        account.CheckEvery = c.Stored.value_or(0);
        ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
        ASSERT_TRUE(this->Store.OpenAccount("u@h"));
        EXPECT_EQ(r.ReadInteger("CheckEvery"), c.Expected) << c.Stored.value_or(-99);
    }
}

TYPED_TEST(AccountStoreTest, TrustedCertHashOutlivesTheDialogsSaveAndOnlyAFingerprintIsSaved) {
    const std::string hash(64, 'a'), other(64, 'B');
    auto account = SampleAccount();
    account.CertHash.clear();
    EXPECT_FALSE(this->Store.SaveCertHash("u@h", hash));  // no account, no key made for it
    EXPECT_TRUE(this->Store.EnumerateAccounts().empty());
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    ASSERT_TRUE(this->Store.SaveCertHash("u@h", hash));
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    EXPECT_EQ(this->Load("u@h").CertHash, hash);
    // Anything but 64 hexadecimal digits leaves the trusted fingerprint as it is.
    for (const std::string& refused :
         {std::string(), std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g"}) {
        EXPECT_FALSE(this->Store.SaveCertHash("u@h", refused)) << refused;
        EXPECT_EQ(this->Load("u@h").CertHash, hash) << refused;
    }
    ASSERT_TRUE(this->Store.SaveCertHash("u@h", other));
    EXPECT_EQ(this->Load("u@h").CertHash, other);
}

TYPED_TEST(AccountStoreTest, RulesStopAtTheFirstGapAndASaveClearsEveryOldRule) {
    auto& r = this->Open("\\Connect\\u@h\\AutoDel");
    r.WriteBool("Enable", true);
    r.WriteBool("Mode", false);
    for (const char* name : {"Rule0", "Rule1", "Rule3", "Rule70"}) r.WriteString(name, name);
    auto account = this->Load("u@h");
    EXPECT_EQ(account.Rules, (std::vector<std::string>{"Rule0", "Rule1"}));

    // Three new rules would close the gap before the stale Rule3 if it were kept.
    account.Rules = {"Subject:,a", "Subject:,b", "Subject:,c"};
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    EXPECT_EQ(this->Load("u@h").Rules, account.Rules);
    EXPECT_EQ(r.ReadString("Rule70"), "Rule70");  // unreachable behind the gap, left alone
}

TYPED_TEST(AccountStoreTest, AtMostSixtyFourRulesAreLoaded) {
    auto account = SampleAccount();
    account.AutoDelMode = kAutoDelHeaderSearch;
    account.Rules.clear();
    for (int i = 0; i < 70; ++i) account.Rules.push_back("Subject:," + std::to_string(i));
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    const auto loaded = this->Load("u@h");
    ASSERT_EQ(loaded.Rules.size(), 64u);
    EXPECT_EQ(loaded.Rules.back(), "Subject:,63");
}

TYPED_TEST(AccountStoreTest, MissingAndMistypedValuesLoadAsEmpty) {
    auto& r = this->Open("\\Connect\\u@h");
    r.WriteInteger("ID", 5);
    r.WriteString("APOP", "yes");
    r.WriteString("PassWord", "abc");
    r.WriteString("AutoDel", "not a key");
    r.WriteString("Security", "1");
    r.WriteInteger("CertHash", 5);
    r.WriteString("CheckEvery", "10");
    r.WriteString("DeleteTicked", "1");
    r.WriteBinary("KeepCopy", "\x01");
    const auto account = this->Load("u@h");
    ExpectSame(account, TAccountSettings());
}

TYPED_TEST(AccountStoreTest, ConnectKeyAndUnopenableAccountsLoadNothing) {
    ASSERT_TRUE(this->Store.SaveAccount(SampleAccount(), "u@h"));
    this->Open("\\Connect").WriteString("Name", "stray");
    // The page of an unsaved account is loaded with "\Connect" itself current.
    ASSERT_EQ(this->Store.EnumerateAccounts().size(), 1u);
    EXPECT_EQ(this->Store.LoadAccount().Name, "stray");

    // A key that cannot be opened must not leave the previous account's values to be read.
    ASSERT_TRUE(this->Store.OpenAccount("u@h"));
    EXPECT_FALSE(this->Store.OpenAccount("gone@h"));
    ExpectSame(this->Store.LoadAccount(), TAccountSettings());
}

TYPED_TEST(AccountStoreTest, SaveReplacesTheOldKeyAndDeleteRemovesTheAccount) {
    ASSERT_TRUE(this->Store.SaveAccount(SampleAccount(), "old@h"));
    ASSERT_TRUE(this->Store.SaveAccount(SampleAccount(), "b@h"));
    ASSERT_TRUE(this->Store.SaveAccount(SampleAccount(), "new@h", "old@h"));
    EXPECT_EQ(this->Store.EnumerateAccounts(), (std::vector<std::string>{"b@h", "new@h"}));

    EXPECT_TRUE(this->Store.DeleteAccount("new@h"));
    EXPECT_FALSE(this->Store.DeleteAccount("new@h"));
    EXPECT_FALSE(this->Registry->KeyExists("\\Connect\\new@h\\Filter"));
    // An empty key name must not take every account with it.
    EXPECT_FALSE(this->Store.DeleteAccount(""));
    EXPECT_FALSE(this->Store.SaveAccount(SampleAccount(), ""));
    ASSERT_TRUE(this->Store.SaveAccount(SampleAccount(), "c@h", ""));
    EXPECT_EQ(this->Store.EnumerateAccounts(), (std::vector<std::string>{"b@h", "c@h"}));
    ExpectSame(this->Load("b@h"), SampleAccount());
}

TYPED_TEST(AccountStoreTest, BackslashesInUserNamesStayInOneKey) {
    auto account = SampleAccount();
    account.IDNum = "DOMAIN\\taro";
    const std::string typed = "DOMAIN\\taro@h";
    const std::string key = TAccountStore::AccountKeyName(account.IDNum, "h");
    EXPECT_EQ(key, "DOMAIN/taro@h");
    ASSERT_TRUE(this->Store.SaveAccount(account, typed));
    EXPECT_EQ(this->Store.EnumerateAccounts(), std::vector<std::string>{key});
    ExpectSame(this->Load(key), account);
    EXPECT_TRUE(this->Store.DeleteAccount(typed));
    EXPECT_TRUE(this->Store.EnumerateAccounts().empty());

    // The second byte of "表" (95 5C) is no separator.
    account.IDNum = "表";
    ASSERT_TRUE(this->Store.SaveAccount(account, TAccountStore::AccountKeyName("表", "h")));
    EXPECT_EQ(this->Store.EnumerateAccounts(), std::vector<std::string>{"表@h"});
    ExpectSame(this->Load("表@h"), account);
}

TYPED_TEST(AccountStoreTest, KeyThatCannotBeCreatedFailsWithoutTouchingAnother) {
    this->Lock("\\Connect");
    this->Open("\\Setup").WriteInteger("Top", 1);  // the key left current
    EXPECT_FALSE(this->Store.SaveAccount(SampleAccount(), "u@h"));
    EXPECT_TRUE(this->Store.EnumerateAccounts().empty());
    EXPECT_FALSE(this->Store.OpenAccount("u@h"));
    auto& r = this->Open("\\Setup");
    EXPECT_FALSE(r.ValueExists("Name"));
    EXPECT_TRUE(r.GetKeyNames().empty());
}

}  // namespace

namespace {

// Seals by a reversible scramble with a marker, so that the test sees what reached the store.
class TTestBox : public TSecretBox {
public:
    bool Refuse = false;
    bool Seal(const std::string& plain, std::string& sealed) override {
        if (Refuse) return false;
        sealed = "box:" + Flip(plain);
        return true;
    }
    bool Open(const std::string& sealed, std::string& plain) override {
        if (sealed.compare(0, 4, "box:") != 0) return false;
        plain = Flip(sealed.substr(4));
        return true;
    }
    static std::string Flip(std::string text) {
        for (char& c : text) c = static_cast<char>(c ^ 0x5A);
        return text;
    }
};

template <class Backend>
class AccountLoginTest : public RegistryTest<Backend> {
protected:
    TTestBox Box;
    TAccountStore Store{*this->Registry, &Box};

    TAccountSettings Reload() {
        EXPECT_TRUE(Store.OpenAccount("u@h"));
        return Store.LoadAccount();
    }
};
TYPED_TEST_SUITE(AccountLoginTest, TRegistryBackends);

TYPED_TEST(AccountLoginTest, MethodAndApopStayInStep) {
    const struct {
        int Method;
        bool Apop;
        int StoredAuth;  // -1: the value is removed, as an older program left it
        bool StoredApop;
        int LoadedMethod;
        bool LoadedApop;
    } cases[] = {
        {AuthPassword, false, AuthPassword, false, AuthPassword, false},
        {AuthPassword, true, AuthApop, true, AuthApop, true},
        {AuthApop, false, AuthPassword, false, AuthPassword, false},
        {AuthMicrosoft, true, AuthMicrosoft, false, AuthMicrosoft, false},
        {AuthGoogle, false, AuthGoogle, false, AuthGoogle, false},
        {7, false, AuthPassword, false, AuthPassword, false},
    };
    for (const auto& c : cases) {
        TAccountSettings account;
        account.OAuth.Method = c.Method;
        account.APOPCheck = c.Apop;
        ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
        ASSERT_TRUE(this->Registry->OpenKey("\\Connect\\u@h", false));
        EXPECT_EQ(this->Registry->ReadInteger("Auth").value_or(-1), c.StoredAuth) << c.Method;
        EXPECT_EQ(this->Registry->ReadBool("APOP").value_or(false), c.StoredApop) << c.Method;
        const TAccountSettings loaded = this->Reload();
        EXPECT_EQ(loaded.OAuth.Method, c.LoadedMethod) << c.Method;
        EXPECT_EQ(loaded.APOPCheck, c.LoadedApop) << c.Method;
    }
    // An older program turned APOP on and knows nothing of "Auth".
    ASSERT_TRUE(this->Registry->OpenKey("\\Connect\\u@h", false));
    this->Registry->WriteInteger("Auth", AuthPassword);
    this->Registry->WriteBool("APOP", true);
    EXPECT_EQ(this->Reload().OAuth.Method, AuthApop);
}

TYPED_TEST(AccountLoginTest, RefreshTokenIsStoredSealedOnly) {
    TAccountSettings account;
    account.OAuth = {AuthMicrosoft, "cid", "organizations", "", "", "https://idp/token", "", ""};
    account.RefreshToken = "rt-1";
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    ASSERT_TRUE(this->Registry->OpenKey("\\Connect\\u@h", false));
    EXPECT_EQ(this->Registry->ReadBinary("RefreshToken").value_or(""),
              "box:" + TTestBox::Flip("rt-1"));
    TAccountSettings loaded = this->Reload();
    EXPECT_TRUE(loaded.OAuth == account.OAuth);
    EXPECT_EQ(loaded.RefreshToken, "rt-1");

    // Saved without a token (an edit of other fields): the stored one stays.
    account.RefreshToken.clear();
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    EXPECT_EQ(this->Reload().RefreshToken, "rt-1");
    // A rotated token replaces it; one that cannot be sealed is never written in its place.
    EXPECT_TRUE(this->Store.SaveRefreshToken("u@h", "rt-2"));
    this->Box.Refuse = true;
    EXPECT_FALSE(this->Store.SaveRefreshToken("u@h", "rt-3"));
    this->Box.Refuse = false;
    EXPECT_EQ(this->Reload().RefreshToken, "rt-2");
    // Back to a password: the token goes.
    account.OAuth.Method = AuthPassword;
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    ASSERT_TRUE(this->Registry->OpenKey("\\Connect\\u@h", false));
    EXPECT_FALSE(this->Registry->ValueExists("RefreshToken"));
    // Without a box nothing is read.
    account.OAuth.Method = AuthGoogle;
    account.RefreshToken = "rt-4";
    ASSERT_TRUE(this->Store.SaveAccount(account, "u@h"));
    TAccountStore plain(*this->Registry);
    ASSERT_TRUE(plain.OpenAccount("u@h"));
    EXPECT_EQ(plain.LoadAccount().RefreshToken, "");
}

}  // namespace
