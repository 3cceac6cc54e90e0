#include "dialogs/ASetup.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "DialogScript.h"
#include "GuiTest.h"
#include "app/PruneboxM.h"
#include "dialogs/DelHead.h"
#include "rules/CharsetCheck.h"
#include "settings/AccountStore.h"
#include "settings/ScramblePassword.h"
#include "settings/SettingsKeys.h"
#include "settings/WinRegistry.h"
#include "ui/MsgDlg.h"
#include "ui/ScreenBounds.h"

namespace {

using GuiTest::ClickButton;
using GuiTest::SendCommand;
using GuiTest::SetText;
using GuiTest::TDialogScript;
using GuiTest::TScriptStep;

const char* const AddCaption = "アカウントの追加";
const char* const EditCaption = "アカウントの設定";

using GuiTest::TabText;

std::vector<std::string> TabTexts(const TPageControl& tabs) {
    std::vector<std::string> texts;
    for (int i = 0; i < tabs.SheetCount(); ++i) texts.push_back(TabText(tabs.Handle, i));
    return texts;
}

// A started main window over the real registry, with no stored accounts before each test.
class ASetupTest : public ::testing::Test {
protected:
    TWinRegistry Registry;
    TAccountStore Store{Registry};
    TPruneboxM Main;

    void SetUp() override {
        Registry.DeleteKey(kConnectKey);
        Main.Create();
        ShowWindow(Main.Handle, SW_SHOWNORMAL);
        GuiTest::PumpPending();
    }
    void TearDown() override { Registry.DeleteKey(kConnectKey); }

    // An account as a start would load it: stored, and its page before "新規".
    TChPage& AddAccount(const std::string& name, const TAccountSettings& values) {
        TAccountSettings stored = values;
        stored.Name = name;
        const std::string key = TAccountStore::AccountKeyName(values.IDNum, HostOf(values.Serv));
        Store.SaveAccount(stored, key);
        TChPage* page = Main.Accounts.AddPage();
        page->KeyName = key;
        page->TabSheet->SetCaption("  " + name);
        SetWindowTextA(page->Frame->Serv, values.Serv.c_str());
        SetWindowTextA(page->Frame->IDNum, values.IDNum.c_str());
        SetWindowTextA(page->Frame->Pass, values.Pass.c_str());
        SendMessageA(page->Frame->APOPCheck, BM_SETCHECK, values.APOPCheck, 0);
        page->Design = values.Design;
        page->AutoDelMode = values.AutoDelMode;
        page->Rules = values.Rules;
        Main.Accounts.SetPageCount(Main.Accounts.PageCount + 1);
        Main.MainPage.MoveSheet(Main.Accounts.Pages[0]->TabSheet.get(),
                                Main.MainPage.SheetCount() - 1);
        return *page;
    }
    static std::string HostOf(const std::string& serv) { return serv.substr(0, serv.find(':')); }

    void Activate(int slot) {
        for (int i = 0; i < Main.MainPage.SheetCount(); ++i) {
            if (Main.MainPage.SheetAt(i)->Tag == slot) Main.MainPage.SelectIndex(i, true);
        }
    }

    // Opens the dialog as the menu would and runs the script on it; true when OK saved.
    bool Open(bool newAccount, std::vector<TScriptStep> steps) {
        TASetup setup(Main.Accounts, *Main.Registry, Main.ActiveSlot());
        setup.SetBasicView(true);
        setup.NewAccount = newAccount;
        setup.Caption = newAccount ? AddCaption : EditCaption;
        TDialogScript script(std::move(steps));
        const bool saved = setup.ShowModal();
        EXPECT_TRUE(script.Done()) << "steps left";
        EXPECT_TRUE(script.Unexpected.empty()) << script.Unexpected.front();
        LastTexts = script.Texts;
        return saved;
    }
    std::vector<std::string> LastTexts;

    bool KeyExists(const std::string& key) {
        return Registry.KeyExists(std::string(kConnectKey) + "\\" + key);
    }
    TAccountSettings Load(const std::string& key) {
        EXPECT_TRUE(Store.OpenAccount(key)) << key;
        return Store.LoadAccount();
    }
    std::optional<std::string> StoredPassword(const std::string& key) {
        Registry.OpenKey(std::string(kConnectKey) + "\\" + key, false);
        return Registry.ReadBinary("PassWord");
    }
};

// Fills the connection fields of an open dialog.
std::function<void(HWND)> Fill(const std::string& name, const std::string& server,
                               const std::string& port, const std::string& user,
                               const std::string& pass, bool storePass) {
    return [=](HWND dialog) {
        if (IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdAccountEdit)))
            SetText(dialog, TASetup::IdAccountEdit, name);
        SetText(dialog, TASetup::IdSServ, server);
        SetText(dialog, TASetup::IdPortEdit, port);
        SetText(dialog, TASetup::IdSIDNum, user);
        SetText(dialog, TASetup::IdSPass, pass);
        SendMessageA(GuiTest::FindControl(dialog, TASetup::IdPassCheck), BM_SETCHECK,
                     storePass ? BST_CHECKED : BST_UNCHECKED, 0);
    };
}

std::function<void(HWND)> Then(std::function<void(HWND)> first, std::function<void(HWND)> next) {
    return [=](HWND dialog) {
        first(dialog);
        next(dialog);
    };
}

std::function<void(HWND)> Press(int id) {
    return [id](HWND dialog) { ClickButton(dialog, id); };
}

std::function<void(HWND)> ChooseSecurity(int security) {
    return [security](HWND dialog) {
        GuiTest::ChooseComboItem(dialog, TASetup::IdSecurityCombo, security);
    };
}

void Tick(HWND dialog, int id, bool on) {
    SendMessageA(GuiTest::FindControl(dialog, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED,
                 0);
    SendCommand(dialog, id);
}

int ShownSecurity(HWND dialog) {
    return static_cast<int>(
        SendMessageA(GuiTest::FindControl(dialog, TASetup::IdSecurityCombo), CB_GETCURSEL, 0, 0));
}

TEST_F(ASetupTest, NewAccountFromTheNewTabIsStoredAndGetsItsTabBeforeNew) {
    SetWindowTextA(Main.Accounts.Pages[0]->Frame->Serv, "typed.example.jp");
    SIZE basic{}, extended{};
    std::string caption, button;
    auto measure = [&](HWND dialog) {
        RECT r;
        GetWindowRect(dialog, &r);
        basic = SIZE{r.right - r.left, r.bottom - r.top};
        caption = GuiTest::WindowText(dialog);
        // From the new tab the dialog starts with what that tab holds, and an empty name.
        EXPECT_EQ(GuiTest::Text(dialog, TASetup::IdSServ), "typed.example.jp");
        EXPECT_EQ(GuiTest::Text(dialog, TASetup::IdPortEdit), "110");
        EXPECT_EQ(GuiTest::Text(dialog, TASetup::IdDesignCombo), "表示なし");
        EXPECT_TRUE(GuiTest::IsChecked(dialog, TASetup::IdNotRadio));
        EXPECT_FALSE(IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdDelView)));
        EXPECT_FALSE(IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdPPLabel)));
        EXPECT_EQ(GuiTest::Text(dialog, TASetup::IdPPLabel),
                  "ペットデータ付きメールのみ\r\n削除チェックをつけない。");
        // The basic view shows the connection group and the buttons only.
        RECT client, header;
        GetClientRect(dialog, &client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
        GetWindowRect(GetParent(GuiTest::FindControl(dialog, TASetup::IdDesignCombo)), &header);
        EXPECT_GE(header.top, client.bottom);
        RECT connection;
        GetWindowRect(GetParent(GuiTest::FindControl(dialog, TASetup::IdSecurityCombo)),
                      &connection);
        EXPECT_LE(connection.bottom, client.bottom);
        EXPECT_EQ(ShownSecurity(dialog), kSecurityNone);
        // The rule list, its buttons and the pet label lie inside the automatic check group.
        HWND group = GetParent(GuiTest::FindControl(dialog, TASetup::IdHeadRadio));
        RECT groupRect;
        GetWindowRect(group, &groupRect);
        for (int id :
             {TASetup::IdDelView, TASetup::IdAddButton, TASetup::IdDelButton, TASetup::IdPPLabel}) {
            RECT inner, both;
            GetWindowRect(GuiTest::FindControl(dialog, id), &inner);
            IntersectRect(&both, &inner, &groupRect);
            EXPECT_TRUE(EqualRect(&both, &inner)) << id;
        }
        SendCommand(dialog, TASetup::IdExtensionButton);
        GetWindowRect(dialog, &r);
        extended = SIZE{r.right - r.left, r.bottom - r.top};
        button = GuiTest::Text(dialog, TASetup::IdExtensionButton);
    };
    ASSERT_TRUE(Open(
        true,
        {{AddCaption, Then(measure, Then(Fill("Home", "pop.example.jp", "110", "taro", "abc", true),
                                         Then(ChooseSecurity(kSecurityStartTls), Press(IDOK))))}}));
    EXPECT_EQ(caption, AddCaption);
    EXPECT_EQ(basic.cx, 422);
    EXPECT_EQ(basic.cy, 262);
    EXPECT_EQ(extended.cx, 700);
    EXPECT_EQ(extended.cy, 760);  // with the periodic check, spam check and login method groups
    EXPECT_EQ(button, "<< 基本");

    const TAccountSettings stored = Load("taro@pop.example.jp");
    EXPECT_EQ(stored.Name, "Home");
    EXPECT_EQ(stored.Serv, "pop.example.jp");
    EXPECT_EQ(stored.IDNum, "taro");
    EXPECT_FALSE(stored.APOPCheck);
    EXPECT_EQ(stored.Pass, "abc");
    EXPECT_EQ(stored.Security, kSecurityStartTls);
    EXPECT_EQ(StoredPassword("taro@pop.example.jp"), std::string("\x3E\xBC\x3C"));
    EXPECT_EQ(stored.Design, "");
    EXPECT_EQ(stored.AutoDelMode, kAutoDelNone);
    Registry.OpenKey("\\Connect\\taro@pop.example.jp\\AutoDel", false);
    EXPECT_EQ(Registry.ReadBool("Enable"), false);
    EXPECT_EQ(Registry.ReadBool("Mode"), false);

    EXPECT_EQ(TabTexts(Main.MainPage), (std::vector<std::string>{"  Home", "  新規"}));
    EXPECT_EQ(Main.Accounts.PageCount, 2);
    EXPECT_EQ(Main.ActiveSlot(), 1);
    TChPage& page = *Main.Accounts.Pages[1];
    EXPECT_EQ(page.KeyName, "taro@pop.example.jp");
    EXPECT_EQ(GuiTest::WindowText(page.Frame->Serv), "pop.example.jp");
    EXPECT_EQ(GuiTest::WindowText(page.Frame->Pass), "abc");
    // The values moved off the new tab.
    EXPECT_EQ(GuiTest::WindowText(Main.Accounts.Pages[0]->Frame->Serv), "");
}

TEST_F(ASetupTest, PortsAndPasswordAsStored) {
    const struct {
        const char* Port;
        bool StorePass;
        const char* HostName;
    } cases[] = {
        {"110", true, "pop.example.jp"},
        {"995", false, "pop.example.jp:995"},
        {"abc", true, "pop.example.jp"},
        {"40000", false, "pop.example.jp:40000"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "Acc" + std::to_string(++n), user = "u" + std::to_string(n);
        Activate(0);
        ASSERT_TRUE(Open(
            true, {{AddCaption, Then(Fill(name, "pop.example.jp", c.Port, user, "pw", c.StorePass),
                                     Press(IDOK))}}));
        const std::string key = user + "@pop.example.jp";
        EXPECT_EQ(Load(key).Serv, c.HostName) << c.Port;
        EXPECT_EQ(StoredPassword(key).has_value(), c.StorePass) << c.Port;
        // A password not stored is not kept on the page either.
        EXPECT_EQ(GuiTest::WindowText(Main.Accounts.Pages[Main.ActiveSlot()]->Frame->Pass),
                  c.StorePass ? "pw" : "")
            << c.Port;
    }
    EXPECT_EQ(Main.Accounts.PageCount, 5);
    EXPECT_EQ(TabText(Main.MainPage.Handle, 4), "  新規");
}

TEST_F(ASetupTest, ModesRulesAndTheDesignatedHeader) {
    TAccountSettings values;
    values.Serv = "pop.example.jp";
    values.IDNum = "taro";
    AddAccount("Home", values);
    Activate(1);

    // Header search without rules is stored as no mode.
    auto headSearch = [](HWND dialog) { SendCommand(dialog, TASetup::IdHeadRadio); };
    ASSERT_TRUE(Open(false, {{EditCaption, Then(headSearch, Press(IDOK))}}));
    Registry.OpenKey("\\Connect\\taro@pop.example.jp\\AutoDel", false);
    EXPECT_EQ(Registry.ReadBool("Enable"), false);
    EXPECT_EQ(Main.Accounts.Pages[1]->AutoDelMode, kAutoDelNone);

    // A rule added through the rule dialog, another one dropped for its empty text, and the
    // designated header typed with blanks around it.
    bool panelEnabled = false;
    auto addRules = [&](HWND dialog) {
        SendCommand(dialog, TASetup::IdHeadRadio);
        panelEnabled = IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdAddButton));
        SetText(dialog, TASetup::IdDesignCombo, " Subject ");
        SendMessageA(GuiTest::FindControl(dialog, TASetup::IdLogCheck), BM_SETCHECK, BST_CHECKED,
                     0);
        ClickButton(dialog, TASetup::IdAddButton);
    };
    auto rule = [](const std::string& header, const std::string& text) {
        return [=](HWND dialog) {
            SetText(dialog, TDelHead::IdComboBox1, header);
            SetText(dialog, TDelHead::IdEdit1, text);
            ClickButton(dialog, TDelHead::IdButton1);
        };
    };
    ASSERT_TRUE(Open(false, {{EditCaption, addRules},
                             {"削除チェックヘッダの追加", rule(" Subject ", "未承諾, 広告")},
                             {EditCaption, Press(TASetup::IdAddButton)},
                             {"削除チェックヘッダの追加", rule("From:", "  ")},
                             {EditCaption, Press(IDOK)}}));
    EXPECT_TRUE(panelEnabled);
    const TAccountSettings stored = Load("taro@pop.example.jp");
    EXPECT_EQ(stored.AutoDelMode, kAutoDelHeaderSearch);
    EXPECT_EQ(stored.Rules, std::vector<std::string>{"Subject:,未承諾, 広告"});
    EXPECT_EQ(stored.Design, "Subject:");
    EXPECT_EQ(Main.Accounts.Pages[1]->Design, "Subject:");
    EXPECT_EQ(Main.Accounts.Pages[1]->Rules, stored.Rules);
    EXPECT_TRUE(Main.Accounts.Pages[1]->LogEnabled);

    // Reopened: the page's mode and rules are shown; PostPet keeps the rules, and deleting the
    // selected row removes it from the list.
    std::string shownRule;
    auto postPet = [&](HWND dialog) {
        EXPECT_TRUE(GuiTest::IsChecked(dialog, TASetup::IdHeadRadio));
        EXPECT_FALSE(GuiTest::IsChecked(dialog, TASetup::IdLogCheck));  // unticked at every opening
        EXPECT_EQ(GuiTest::Text(dialog, TASetup::IdDesignCombo), "Subject:");
        HWND list = GuiTest::FindControl(dialog, TASetup::IdDelView);
        char text[64] = {};
        LVITEMA item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
        shownRule = text;
        SendCommand(dialog, TASetup::IdPPCheck);
        EXPECT_FALSE(IsWindowEnabled(list));
        EXPECT_TRUE(IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdPPLabel)));
        SetText(dialog, TASetup::IdDesignCombo, "表示なし");
    };
    ASSERT_TRUE(Open(false, {{EditCaption, Then(postPet, Press(IDOK))}}));
    EXPECT_EQ(shownRule, "未承諾, 広告");
    const TAccountSettings pet = Load("taro@pop.example.jp");
    EXPECT_EQ(pet.AutoDelMode, kAutoDelPostPet);
    EXPECT_EQ(pet.Rules.size(), 1u);
    EXPECT_EQ(pet.Design, "");

    auto deleteRule = [](HWND dialog) {
        SendCommand(dialog, TASetup::IdHeadRadio);
        HWND list = GuiTest::FindControl(dialog, TASetup::IdDelView);
        SendCommand(dialog, TASetup::IdDelButton);  // nothing selected: nothing removed
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        SendCommand(dialog, TASetup::IdDelButton);
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    };
    ASSERT_TRUE(Open(false, {{EditCaption, Then(deleteRule, Press(IDOK))}}));
    const TAccountSettings none = Load("taro@pop.example.jp");
    EXPECT_EQ(none.AutoDelMode, kAutoDelNone);
    EXPECT_TRUE(none.Rules.empty());
}

TEST_F(ASetupTest, NamesThatAreRefused) {
    const struct {
        const char* Name;
        const char* Caption;
        const char* Text;
    } cases[] = {
        {"", "情報", "アカウント名がありません。"},
        {"新規", "エラー", "その名前は使えません。"},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(
            Open(true, {{AddCaption, Then(Fill(c.Name, "h", "110", "u", "", false), Press(IDOK))},
                        {c.Caption, Press(mrOk)},
                        {AddCaption, Press(IDCANCEL)}}));
        ASSERT_EQ(LastTexts.size(), 3u);
        EXPECT_EQ(LastTexts[1], c.Text);
        EXPECT_FALSE(KeyExists("u@h"));
        EXPECT_EQ(Main.Accounts.PageCount, 1);
    }
}

TEST_F(ASetupTest, CancelChangesNothing) {
    TAccountSettings values;
    values.Serv = "old.example.jp";
    values.IDNum = "taro";
    TChPage& page = AddAccount("Home", values);
    Activate(1);
    ASSERT_FALSE(Open(
        false, {{EditCaption,
                 Then(Fill("", "new.example.jp", "995", "jiro", "x", true), Press(IDCANCEL))}}));
    EXPECT_TRUE(KeyExists("taro@old.example.jp"));
    EXPECT_FALSE(KeyExists("jiro@new.example.jp"));
    EXPECT_EQ(GuiTest::WindowText(page.Frame->Serv), "old.example.jp");
}

TEST_F(ASetupTest, SameNameAsksToOverwrite) {
    TAccountSettings values;
    values.Serv = "old.example.jp";
    values.IDNum = "taro";
    AddAccount("Home", values);
    Activate(0);
    // No: nothing stored, the dialog closes.
    ASSERT_FALSE(Open(
        true,
        {{AddCaption, Then(Fill("HOME", "new.example.jp", "110", "jiro", "", false), Press(IDOK))},
         {"確認", Press(mrNo)}}));
    EXPECT_EQ(LastTexts[1], "同じ名前の接続先があります。上書きしますか?");
    EXPECT_TRUE(KeyExists("taro@old.example.jp"));
    EXPECT_FALSE(KeyExists("jiro@new.example.jp"));

    // Yes: the old key is replaced and the account's page takes the values; no new tab.
    ASSERT_TRUE(Open(
        true,
        {{AddCaption, Then(Fill("HOME", "new.example.jp", "110", "jiro", "", false), Press(IDOK))},
         {"確認", Press(mrYes)}}));
    EXPECT_FALSE(KeyExists("taro@old.example.jp"));
    EXPECT_EQ(Load("jiro@new.example.jp").Name, "HOME");
    EXPECT_EQ(Main.Accounts.PageCount, 2);
    EXPECT_EQ(TabTexts(Main.MainPage), (std::vector<std::string>{"  HOME", "  新規"}));
    EXPECT_EQ(Main.Accounts.Pages[1]->KeyName, "jiro@new.example.jp");
    EXPECT_EQ(GuiTest::WindowText(Main.Accounts.Pages[1]->Frame->IDNum), "jiro");
}

TEST_F(ASetupTest, EditingTheServerReplacesTheKey) {
    TAccountSettings values;
    values.Serv = "old.example.jp";
    values.IDNum = "taro";
    values.CertHash = "0a1b";
    AddAccount("Home", values).CertHash = values.CertHash;
    Activate(1);
    std::string nameShown;
    bool nameEnabled = true;
    auto look = [&](HWND dialog) {
        nameShown = GuiTest::Text(dialog, TASetup::IdAccountEdit);
        nameEnabled = IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdAccountEdit));
    };
    ASSERT_TRUE(Open(
        false, {{EditCaption, Then(look, Then(Fill("", "new.example.jp", "110", "taro", "", false),
                                              Press(IDOK)))}}));
    EXPECT_EQ(nameShown, "Home");
    EXPECT_FALSE(nameEnabled);
    EXPECT_FALSE(KeyExists("taro@old.example.jp"));
    EXPECT_EQ(Load("taro@new.example.jp").Name, "Home");
    // A fingerprint trusted for the old host means nothing for the new one.
    EXPECT_EQ(Load("taro@new.example.jp").CertHash, "");
    EXPECT_EQ(Main.Accounts.Pages[1]->CertHash, "");
    EXPECT_EQ(Store.EnumerateAccounts(), std::vector<std::string>{"taro@new.example.jp"});
    EXPECT_EQ(GuiTest::WindowText(Main.Accounts.Pages[1]->Frame->Serv), "new.example.jp");
}

TEST_F(ASetupTest, ProtectionIsLoadedSavedAndMovesThePort) {
    const struct {
        int OnPage;
        const char* Serv;
        int Shown;
        int Chosen;  // -1: left as shown
        const char* PortAfter;
        int Stored;
        const char* StoredServ;
    } cases[] = {
        {kSecurityNone, "pop.example.jp", kSecurityNone, -1, "110", 0, "pop.example.jp"},
        {kSecuritySslTls, "pop.example.jp:995", kSecuritySslTls, -1, "995", 1,
         "pop.example.jp:995"},
        {kSecurityStartTls, "pop.example.jp", kSecurityStartTls, -1, "110", 2, "pop.example.jp"},
        {7, "pop.example.jp", kSecurityNone, -1, "110", 0, "pop.example.jp"},
        {kSecurityNone, "pop.example.jp", kSecurityNone, kSecuritySslTls, "995", 1,
         "pop.example.jp:995"},
        {kSecuritySslTls, "pop.example.jp:995", kSecuritySslTls, kSecurityNone, "110", 0,
         "pop.example.jp"},
        {kSecuritySslTls, "pop.example.jp:995", kSecuritySslTls, kSecurityStartTls, "110", 2,
         "pop.example.jp"},
        {kSecurityNone, "pop.example.jp:1110", kSecurityNone, kSecuritySslTls, "1110", 1,
         "pop.example.jp:1110"},
    };
    TAccountSettings values;
    values.IDNum = "taro";
    values.Serv = "pop.example.jp";
    values.CertHash = "00ff";
    TChPage& page = AddAccount("Home", values);
    page.CertHash = values.CertHash;
    Activate(1);
    for (const auto& c : cases) {
        page.Security = c.OnPage;
        SetWindowTextA(page.Frame->Serv, c.Serv);
        int shown = -1;
        std::string port;
        auto act = [&](HWND dialog) {
            shown = ShownSecurity(dialog);
            if (c.Chosen >= 0) ChooseSecurity(c.Chosen)(dialog);
            port = GuiTest::Text(dialog, TASetup::IdPortEdit);
        };
        ASSERT_TRUE(Open(false, {{EditCaption, Then(act, Press(IDOK))}})) << c.Serv;
        EXPECT_EQ(shown, c.Shown) << c.OnPage;
        EXPECT_EQ(port, c.PortAfter) << c.OnPage << " " << c.Chosen;
        const TAccountSettings stored = Load("taro@pop.example.jp");
        Registry.OpenKey("\\Connect\\taro@pop.example.jp", false);
        EXPECT_EQ(Registry.ReadInteger("Security"), c.Stored) << c.OnPage << " " << c.Chosen;
        EXPECT_EQ(stored.Serv, c.StoredServ) << c.OnPage << " " << c.Chosen;
        EXPECT_EQ(page.Security, c.Stored) << c.OnPage << " " << c.Chosen;
        // The save rewrites the account's key; the trusted fingerprint stays with it.
        EXPECT_EQ(stored.CertHash, "00ff");
        EXPECT_EQ(page.CertHash, "00ff");
    }
}

// A port beyond 65535 would be stored as another one: refused until it is one.
TEST_F(ASetupTest, PortBeyondTheRangeIsRefused) {
    Activate(0);
    ASSERT_TRUE(Open(true, {{AddCaption, Then(Fill("Acc", "pop.example.jp", "70000", "u", "pw", true),
                                              Press(IDOK))},
                            {"エラー", Press(IDOK)},
                            {AddCaption, [](HWND dialog) {
                                 SetText(dialog, TASetup::IdPortEdit, "7000");
                                 ClickButton(dialog, IDOK);
                             }}}));
    EXPECT_NE(LastTexts[1].find("65535"), std::string::npos) << LastTexts[1];
    EXPECT_EQ(Load("u@pop.example.jp").Serv, "pop.example.jp:7000");
}

TEST_F(ASetupTest, StoredPortsAreKeptAndANonNumericPortStillOpens) {
    const struct {
        const char* Serv;
        const char* Shown;
        const char* Stored;
    } cases[] = {
        {"pop.example.jp:40000", "40000", "pop.example.jp:40000"},
        {"pop.example.jp:65535", "65535", "pop.example.jp:65535"},
        {"pop.example.jp:abc", "110", "pop.example.jp"},
    };
    TAccountSettings values;
    values.IDNum = "taro";
    values.Serv = "pop.example.jp";
    TChPage& page = AddAccount("Home", values);
    Activate(1);
    for (const auto& c : cases) {
        SetWindowTextA(page.Frame->Serv, c.Serv);  // as typed on the page
        std::string shownPort, shownHost;
        auto look = [&](HWND dialog) {
            shownPort = GuiTest::Text(dialog, TASetup::IdPortEdit);
            shownHost = GuiTest::Text(dialog, TASetup::IdSServ);
        };
        ASSERT_TRUE(Open(false, {{EditCaption, Then(look, Press(IDOK))}})) << c.Serv;
        EXPECT_EQ(shownPort, c.Shown) << c.Serv;
        EXPECT_EQ(shownHost, "pop.example.jp") << c.Serv;
        EXPECT_EQ(Load("taro@pop.example.jp").Serv, c.Stored) << c.Serv;
    }
}

TEST_F(ASetupTest, TwoAccountsOfOneNameNeverLoseTheOthersKey) {
    TAccountSettings first, second;
    first.Serv = "one.example.jp";
    first.IDNum = "taro";
    second.Serv = "two.example.jp";
    second.IDNum = "jiro";
    AddAccount("Home", first);
    AddAccount("Home", second);
    Activate(2);
    ASSERT_TRUE(
        Open(false, {{EditCaption,
                      Then(Fill("", "three.example.jp", "110", "jiro", "", false), Press(IDOK))}}));
    EXPECT_TRUE(KeyExists("taro@one.example.jp"));
    EXPECT_FALSE(KeyExists("jiro@two.example.jp"));
    EXPECT_TRUE(KeyExists("jiro@three.example.jp"));
    EXPECT_EQ(Main.Accounts.Pages[1]->KeyName, "taro@one.example.jp");
    EXPECT_EQ(Main.Accounts.Pages[2]->KeyName, "jiro@three.example.jp");
}

TEST_F(ASetupTest, SameUserAndHostUnderANewNameAsksFirst) {
    TAccountSettings values;
    values.Serv = "pop.example.jp";
    values.IDNum = "taro";
    AddAccount("Home", values);
    Activate(0);
    // The registry folds case in key names, so this is the same key.
    auto fill = Fill("Work", "POP.example.jp", "110", "TARO", "", false);
    ASSERT_FALSE(Open(true, {{AddCaption, Then(fill, Press(IDOK))}, {"確認", Press(mrNo)}}));
    EXPECT_NE(LastTexts[1].find("「Home」"), std::string::npos) << LastTexts[1];
    EXPECT_EQ(Load("taro@pop.example.jp").Name, "Home");
    EXPECT_EQ(Main.Accounts.PageCount, 2);

    ASSERT_TRUE(Open(true, {{AddCaption, Then(fill, Press(IDOK))}, {"確認", Press(mrYes)}}));
    EXPECT_EQ(Load("TARO@POP.example.jp").Name, "Work");
    EXPECT_EQ(Main.Accounts.PageCount, 3);
}

TEST_F(ASetupTest, DesignatedHeaderWithoutShowingTheDialog) {
    TAccountSettings values;
    values.Serv = "pop.example.jp:995";
    values.IDNum = "taro";
    values.Pass = "secret";
    AddAccount("Home", values);
    Activate(1);
    TASetup setup(Main.Accounts, *Main.Registry, Main.ActiveSlot());
    ASSERT_TRUE(setup.SaveDesignatedHeader("X-Mailer"));
    const TAccountSettings stored = Load("taro@pop.example.jp");
    EXPECT_EQ(stored.Design, "X-Mailer:");
    EXPECT_EQ(stored.Serv, "pop.example.jp:995");
    EXPECT_EQ(stored.Pass, "secret");  // the page's password is stored as well

    // On the new tab it ends with the missing-name message and stores nothing.
    Activate(0);
    TDialogScript script({{"情報", Press(mrOk)}});
    TASetup fresh(Main.Accounts, *Main.Registry, Main.ActiveSlot());
    EXPECT_FALSE(fresh.SaveDesignatedHeader("Subject:"));
    EXPECT_EQ(script.Texts, std::vector<std::string>{"アカウント名がありません。"});
}

// Tab walks only through controls in sight: what the basic view cuts off is out of the cycle,
// and comes back with the extended view, however the view was reached.
TEST_F(ASetupTest, TabWalksOnlyThroughControlsInSight) {
    const struct {
        bool Basic;
        bool Switched;  // the view button pressed once after opening
        bool DesignReached;
    } cases[] = {
        {true, false, false},
        {false, false, true},
        {false, true, false},
        {true, true, true},
    };
    for (const auto& c : cases) {
        TASetup setup(Main.Accounts, *Main.Registry, Main.ActiveSlot());
        setup.SetBasicView(c.Basic);
        setup.Caption = EditCaption;
        int walked = 0;
        TDialogScript script(
            {{EditCaption, [&](HWND dialog) {
                  if (c.Switched) SendCommand(dialog, TASetup::IdExtensionButton);
                  RECT client;
                  GetClientRect(dialog, &client);
                  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
                  bool designReached = false;
                  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
                  HWND at = first;
                  do {
                      RECT bounds, shared;
                      GetWindowRect(at, &bounds);
                      IntersectRect(&shared, &bounds, &client);
                      EXPECT_TRUE(EqualRect(&shared, &bounds))
                          << "cut off: control " << GetDlgCtrlID(at);
                      designReached |= GetDlgCtrlID(at) == TASetup::IdDesignCombo;
                      at = GetNextDlgTabItem(dialog, at, FALSE);
                  } while (at && at != first && ++walked < 100);
                  EXPECT_EQ(designReached, c.DesignReached) << c.Basic << c.Switched;
                  ClickButton(dialog, IDCANCEL);
              }}});
        setup.ShowModal();
        EXPECT_TRUE(script.Done());
        EXPECT_GT(walked, 5);
    }
}

}  // namespace

namespace {

TEST_F(ASetupTest, PeriodicCheckIsLoadedKeptSavedAndAnIntervalOutOfRangeRefused) {
    TAccountSettings values;
    values.IDNum = "taro";
    values.Serv = "pop.example.jp";
    values.CheckEvery = 30;
    values.DeleteTicked = true;
    const std::string key = TAccountStore::AccountKeyName(values.IDNum, values.Serv);
    AddAccount("Home", values);
    Activate(1);
    struct TCase {
        bool Tick;
        const char* Minutes;  // typed, when not null
        bool Refused;         // a message, and the dialog stays open until cancelled
        int StoredEvery;
        bool StoredKeep;
    };
    // Untouched; 0 and a number past the range refused; a new number with the copies ticked;
    // then off.
    const TCase cases[] = {{true, nullptr, false, 30, false},
                           {true, "0", true, 30, false},
                           {true, "5000", true, 30, false},
                           {true, "45", false, 45, true},
                           {false, nullptr, false, 0, true}};
    std::vector<std::string> shownMinutes;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Minutes ? c.Minutes : "-");
        bool optionsEnabled = false;
        HWND focusAfterRefusal = nullptr, edit = nullptr;
        std::vector<TScriptStep> steps = {
            {EditCaption, [&](HWND dialog) {
                 shownMinutes.push_back(GuiTest::Text(dialog, TASetup::IdCheckEveryEdit));
                 edit = GuiTest::FindControl(dialog, TASetup::IdCheckEveryEdit);
                 if (c.Minutes) SetText(dialog, TASetup::IdCheckEveryEdit, c.Minutes);
                 Tick(dialog, TASetup::IdCheckEveryTick, c.Tick);
                 if (c.Minutes && !c.Refused)
                     SendMessageA(GuiTest::FindControl(dialog, TASetup::IdKeepCopyCheck),
                                  BM_SETCHECK, BST_CHECKED, 0);
                 optionsEnabled =
                     IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdDeleteTickedCheck)) &&
                     IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdKeepCopyCheck));
                 ClickButton(dialog, TASetup::IdOKButton);
             }}};
        if (c.Refused) {
            steps.push_back({"エラー", Press(IDOK)});
            steps.push_back({EditCaption, [&](HWND dialog) {
                                 focusAfterRefusal = GetFocus();
                                 ClickButton(dialog, IDCANCEL);
                             }});
        }
        EXPECT_EQ(Open(false, steps), !c.Refused);
        EXPECT_EQ(optionsEnabled, c.Tick);
        if (c.Refused) {
            EXPECT_NE(LastTexts[1].find(std::string("「") + c.Minutes + "」"), std::string::npos)
                << LastTexts[1];
            EXPECT_EQ(focusAfterRefusal, edit);
        }
        const TAccountSettings stored = Load(key);
        EXPECT_EQ(stored.CheckEvery, c.StoredEvery);
        EXPECT_TRUE(stored.DeleteTicked);
        EXPECT_EQ(stored.KeepCopy, c.StoredKeep);
    }
    // Off shows the usual interval to start from.
    EXPECT_EQ(shownMinutes, (std::vector<std::string>{"30", "30", "30", "30", "45"}));
    ASSERT_TRUE(Open(false, {{EditCaption, [&](HWND dialog) {
                                  shownMinutes.push_back(
                                      GuiTest::Text(dialog, TASetup::IdCheckEveryEdit));
                                  ClickButton(dialog, TASetup::IdCanButton);
                              }}}) == false);
    EXPECT_EQ(shownMinutes.back(), "10");
}

// The extended view stays on the work area however low the basic view stood.
TEST_F(ASetupTest, ExtendedViewStaysOnTheWorkArea) {
    RECT shown{}, work{};
    ASSERT_FALSE(Open(false, {{EditCaption, [&](HWND dialog) {
                                   work = WorkAreaOf(dialog);
                                   SetWindowPos(dialog, nullptr, work.right - 300,
                                                work.bottom - 200, 0, 0,
                                                SWP_NOSIZE | SWP_NOZORDER);
                                   SendCommand(dialog, TASetup::IdExtensionButton);
                                   GetWindowRect(dialog, &shown);
                                   ClickButton(dialog, IDCANCEL);
                               }}}));
    EXPECT_EQ(shown.bottom - shown.top, TASetup::ExtendedSize.cy);
    EXPECT_LE(shown.bottom, work.bottom);
    EXPECT_LE(shown.right, work.right);
    EXPECT_GE(shown.top, work.top);
}

}  // namespace

namespace {

TEST_F(ASetupTest, SpamChecksAreShownFilledRefusedWhenMalformedAndSaved) {
    TAccountSettings values;
    values.IDNum = "taro";
    values.Serv = "pop.example.jp";
    values.AutoDelMode = kAutoDelHeaderSearch;
    values.Rules = {"Subject:,未承諾"};
    values.Filter.AuthFail = true;
    values.Filter.AuthServId = "mx.a.jp";
    const std::string key = TAccountStore::AccountKeyName(values.IDNum, values.Serv);
    TChPage& page = AddAccount("Home", values);
    page.Filter = values.Filter;
    Activate(1);
    for (const char* id : {"mx.b.jp", "", "MX.B.JP", "mx.a.jp"}) {
        TMailRow row;
        row.AuthServId = id;
        TRowsChange added;
        added.Added.push_back(row);
        page.Bridge->ChangeRows(std::move(added));
    }
    page.Bridge->Queue.Drain();

    using F = TFilterGroup;
    std::string shownId, shownCharsets, filledCharsets, filledId;
    bool charsetsFieldEnabled = true;
    ASSERT_TRUE(Open(false, {{EditCaption,
                              [&](HWND dialog) {
                                  SendCommand(dialog, TASetup::IdExtensionButton);
                                  shownId = GuiTest::Text(dialog, F::IdAuthServIdEdit);
                                  shownCharsets = GuiTest::Text(dialog, F::IdCharsetsEdit);
                                  charsetsFieldEnabled = IsWindowEnabled(
                                      GuiTest::FindControl(dialog, F::IdCharsetsEdit));
                                  Tick(dialog, F::IdCharsetsCheck, true);
                                  filledCharsets = GuiTest::Text(dialog, F::IdCharsetsEdit);
                                  SendCommand(dialog, F::IdAuthServIdButton);
                                  filledId = GuiTest::Text(dialog, F::IdAuthServIdEdit);
                                  SetText(dialog, F::IdMaxSizeEdit, "12x");
                                  ClickButton(dialog, IDOK);
                              }},
                             {"エラー", Press(IDOK)},
                             {EditCaption, [&](HWND dialog) {
                                  SetText(dialog, F::IdMaxSizeEdit, " 300 ");
                                  Tick(dialog, F::IdSpoofCheck, true);
                                  ClickButton(dialog, IDOK);
                              }}}));
    EXPECT_EQ(shownId, "mx.a.jp");
    EXPECT_EQ(shownCharsets, "");
    EXPECT_FALSE(charsetsFieldEnabled);
    EXPECT_EQ(filledCharsets, TCharsetCheck::DefaultList);
    EXPECT_EQ(filledId, "mx.b.jp");  // the most common, as first spelled
    EXPECT_NE(LastTexts[1].find("12x"), std::string::npos) << LastTexts[1];
    const TAccountFilter stored = Load(key).Filter;
    EXPECT_TRUE(stored.AuthFail);
    EXPECT_EQ(stored.AuthServId, "mx.b.jp");
    EXPECT_EQ(stored.Charsets, TCharsetCheck::DefaultList);
    EXPECT_TRUE(stored.Spoof);
    EXPECT_EQ(stored.MaxSize, 300);
    EXPECT_EQ(page.Filter.AuthServId, stored.AuthServId);
    EXPECT_EQ(page.Filter.MaxSize, 300);

    // Without listed mail the button says so; with a check on and the rule gone the account
    // still searches headers.
    TRowsChange cleared;
    cleared.Clear = true;
    page.Bridge->ChangeRows(std::move(cleared));
    page.Bridge->Queue.Drain();
    ASSERT_TRUE(Open(false, {{EditCaption, Press(F::IdAuthServIdButton)},
                             {"情報", Press(IDOK)},
                             {EditCaption, [](HWND dialog) {
                                  HWND list = GuiTest::FindControl(dialog, TASetup::IdDelView);
                                  LVITEMA state{};
                                  state.stateMask = state.state = LVIS_SELECTED;
                                  SendMessageA(list, LVM_SETITEMSTATE, 0,
                                               reinterpret_cast<LPARAM>(&state));
                                  SendCommand(dialog, TASetup::IdDelButton);
                                  ClickButton(dialog, IDOK);
                              }}}));
    EXPECT_NE(LastTexts[1].find("一覧にメールがありません"), std::string::npos) << LastTexts[1];
    const TAccountSettings checksOnly = Load(key);
    EXPECT_TRUE(checksOnly.Rules.empty());
    EXPECT_EQ(checksOnly.AutoDelMode, kAutoDelHeaderSearch);
    EXPECT_EQ(page.AutoDelMode, kAutoDelHeaderSearch);
}

// A field whose check is off is grey; a charset list written while its check is off stays.
TEST_F(ASetupTest, FieldsOfAnUntickedCheckAreGreyAndTheCharsetListIsKept) {
    TAccountSettings values;
    values.IDNum = "taro";
    values.Serv = "pop.example.jp";
    values.AutoDelMode = kAutoDelHeaderSearch;
    values.Rules = {"Subject:,未承諾"};
    const std::string key = TAccountStore::AccountKeyName(values.IDNum, values.Serv);
    TChPage& page = AddAccount("Home", values);
    page.Filter.Charsets = "KOI8-R";
    Activate(1);
    using F = TFilterGroup;
    auto enabled = [](HWND dialog, int id) {
        return IsWindowEnabled(GuiTest::FindControl(dialog, id)) != FALSE;
    };
    std::vector<bool> idField;
    std::string kept;
    ASSERT_TRUE(Open(false, {{EditCaption, [&](HWND dialog) {
                                  idField.push_back(enabled(dialog, F::IdAuthServIdEdit));
                                  Tick(dialog, F::IdAuthFailCheck, true);
                                  idField.push_back(enabled(dialog, F::IdAuthServIdEdit));
                                  Tick(dialog, F::IdAuthFailCheck, false);
                                  idField.push_back(enabled(dialog, F::IdAuthServIdButton));
                                  Tick(dialog, F::IdCharsetsCheck, false);
                                  ClickButton(dialog, IDOK);
                              }}}));
    EXPECT_EQ(idField, (std::vector<bool>{false, true, false}));
    const TAccountFilter stored = Load(key).Filter;
    EXPECT_EQ(stored.Charsets, "");
    EXPECT_EQ(stored.KeptCharsets, "KOI8-R");
    EXPECT_FALSE(page.Filter.AnyOn());
    ASSERT_FALSE(Open(false, {{EditCaption, [&](HWND dialog) {
                                   Tick(dialog, F::IdCharsetsCheck, true);
                                   kept = GuiTest::Text(dialog, F::IdCharsetsEdit);
                                   ClickButton(dialog, IDCANCEL);
                               }}}));
    EXPECT_EQ(kept, "KOI8-R");
}

}  // namespace

namespace {

TEST_F(ASetupTest, LoginMethodFillsTheProvidersServerAndIsStoredInStepWithApop) {
    std::string host, port;
    int security = -1;
    bool apopEnabled = true, codeEnabled = false;
    const auto chooseMicrosoft = [&](HWND dialog) {
        GuiTest::ChooseComboItem(dialog, TOAuthGroup::IdMethodCombo, AuthMicrosoft);
        host = GuiTest::Text(dialog, TASetup::IdSServ);
        port = GuiTest::Text(dialog, TASetup::IdPortEdit);
        security = ShownSecurity(dialog);
        apopEnabled = IsWindowEnabled(GuiTest::FindControl(dialog, TASetup::IdSAPOPCheck));
        codeEnabled = IsWindowEnabled(GuiTest::FindControl(dialog, TOAuthGroup::IdDeviceButton));
        SetText(dialog, TOAuthGroup::IdClientIdEdit, "client-1");
        SetText(dialog, TOAuthGroup::IdTenantEdit, "organizations");
    };
    ASSERT_TRUE(
        Open(true, {{AddCaption, Then(Fill("Work", "pop.example.jp", "110", "taro", "", false),
                                      Then(chooseMicrosoft, Press(IDOK)))}}));
    EXPECT_EQ(host, "outlook.office365.com");
    EXPECT_EQ(port, "995");
    EXPECT_EQ(security, kSecuritySslTls);
    EXPECT_FALSE(apopEnabled);
    EXPECT_TRUE(codeEnabled);  // Microsoft takes a code on another device
    TAccountSettings stored = Load("taro@outlook.office365.com");
    EXPECT_EQ(stored.OAuth.Method, AuthMicrosoft);
    EXPECT_EQ(stored.OAuth.ClientId, "client-1");
    EXPECT_EQ(stored.OAuth.Tenant, "organizations");
    EXPECT_EQ(stored.Serv, "outlook.office365.com:995");
    EXPECT_FALSE(stored.APOPCheck);

    // Back to APOP: the box follows the method, and the client stays for a later return.
    const auto chooseApop = [&codeEnabled](HWND dialog) {
        GuiTest::ChooseComboItem(dialog, TOAuthGroup::IdMethodCombo, AuthApop);
        codeEnabled = IsWindowEnabled(GuiTest::FindControl(dialog, TOAuthGroup::IdDeviceButton));
    };
    ASSERT_TRUE(Open(false, {{EditCaption, Then(chooseApop, Press(IDOK))}}));
    stored = Load("taro@outlook.office365.com");
    EXPECT_EQ(stored.OAuth.Method, AuthApop);
    EXPECT_TRUE(stored.APOPCheck);
    EXPECT_FALSE(codeEnabled);
    EXPECT_EQ(stored.OAuth.ClientId, "client-1");
}

}  // namespace
