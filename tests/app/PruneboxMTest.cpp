// commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "DialogScript.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "TestEnv.h"
#include "TestRootCa.h"
#include "app/PeriodicChecks.h"
#include "app/PruneboxM.h"
#include "app/TrayMenu.h"
#include "dialogs/ASetup.h"
#include "page/MailRows.h"
#include "settings/AccountStore.h"
#include "settings/SetupStore.h"
#include "settings/WinRegistry.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/ResStrings.h"
#include "ui/WindowMessages.h"

namespace {

using GuiTest::PumpUntil;
using GuiTest::TAction;
using GuiTest::TAnswer;
using GuiTest::TDialogAnswerer;

using GuiTest::TabText;

int ClientWidth(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client.right;
}

TEST(PruneboxMTest, FirstStartShowsOnlyTheNewTabWithItsLamp) {
    HANDLE log = CreateFileA("DelLog.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(log);
    TStarted started;
    EXPECT_EQ(GetFileAttributesA("DelLog.txt"), INVALID_FILE_ATTRIBUTES);
    TPruneboxM& main = started.Main;
    EXPECT_EQ(GuiTest::WindowText(main.Handle), "Prunebox  -サーバ上でメールを選択削除-");
    EXPECT_EQ(main.Accounts.PageCount, 1);
    ASSERT_EQ(main.MainPage.SheetCount(), 1);
    EXPECT_EQ(TabText(main.MainPage.Handle, 0), "  新規");
    EXPECT_TRUE(GetWindowLongA(main.MainPage.Handle, GWL_STYLE) & TCS_OWNERDRAWFIXED);
    EXPECT_EQ(main.ActiveSlot(), 0);
    EXPECT_EQ(main.Accounts.Pages[0]->KeyName, "");
    for (HBITMAP image : main.LedImages) EXPECT_NE(image, nullptr);
    // The defaults of an empty registry: 640 x 480, placed as the design size would be centred.
    RECT bounds;
    GetWindowRect(main.Handle, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 640);
    EXPECT_EQ(bounds.bottom - bounds.top, 480);
    EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - 592) / 2);
    EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - 394) / 2);
    EXPECT_TRUE(main.ExtendedView);
    EXPECT_TRUE(main.ToolBarVisible);
    EXPECT_EQ(main.MainPage.TabPosition(), TTabPosition::Top);
    EXPECT_TRUE(IsWindowVisible(main.Accounts.Pages[0]->Frame->KvPanel1.Handle));
}

TEST(PruneboxMTest, WithoutLampsTheTabsAreTheSystemsWithPlainCaptions) {
    TPruneboxM main;
    main.LedTabs = false;
    main.Create();
    EXPECT_FALSE(GetWindowLongA(main.MainPage.Handle, GWL_STYLE) & TCS_OWNERDRAWFIXED);
    EXPECT_EQ(TabText(main.MainPage.Handle, 0), "新規");
}

TEST(PruneboxMTest, SystemMenuEndsWithTheCentreCommand) {
    TStarted started;
    HMENU menu = GetSystemMenu(started.Main.Handle, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    char text[64] = {};
    GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "画面中央へ移動(&D)");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), 11u);
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, count - 2, TRUE, &separator);
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
}

TEST(PruneboxMTest, WindowCannotBeMadeSmallerThanTheMinimum) {
    TStarted started;
    MINMAXINFO limits{};
    SendMessageA(started.Main.Handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 604);
    EXPECT_EQ(limits.ptMinTrackSize.y, 190);
}

TEST(PruneboxMTest, MaximisingRecordsTheNormalBoundsFirst) {
    struct TCase {
        UINT Message;
        WPARAM Code;
        bool Records;
    } cases[] = {
        {WM_SYSCOMMAND, SC_MAXIMIZE, true},
        {WM_NCLBUTTONDBLCLK, HTCAPTION, true},
        {WM_NCLBUTTONDBLCLK, HTCLIENT, false},
        {WM_SYSCOMMAND, SC_RESTORE, false},
    };
    for (const TCase& c : cases) {
        TStarted started;
        HWND window = started.Main.Handle;
        SetWindowPos(window, nullptr, 40, 30, 620, 420, SWP_NOZORDER);
        RECT before;
        GetWindowRect(window, &before);
        SendMessageA(window, c.Message, c.Code, 0);
        const RECT& recorded = started.Main.NormalBounds;
        if (c.Records) {
            EXPECT_TRUE(EqualRect(&recorded, &before)) << c.Message << " " << c.Code;
        } else {
            EXPECT_TRUE(IsRectEmpty(&recorded)) << c.Message << " " << c.Code;
        }
    }
}

TEST(PruneboxMTest, CentreCommandRestoresAndCentresEveryTime) {
    TStarted started;
    HWND window = started.Main.Handle;
    for (int round = 0; round < 2; ++round) {
        ShowWindow(window, SW_MAXIMIZE);
        SendMessageA(window, WM_SYSCOMMAND, TPruneboxM::SysCenter, 0);
        EXPECT_FALSE(IsZoomed(window));
        RECT bounds;
        GetWindowRect(window, &bounds);
        const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
        EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
        EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
        SetWindowPos(window, nullptr, 3, 4, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    }
}

TEST(PruneboxMTest, F2AndF3CycleThroughTheTabsFromAnyWindowOfTheProgram) {
    TStarted started(3);
    TPruneboxM& main = started.Main;
    ASSERT_EQ(main.MainPage.SheetCount(), 4);
    EXPECT_EQ(TabText(main.MainPage.Handle, 3), "  新規");
    main.MainPage.SelectIndex(0, true);
    auto press = [&](HWND target, WPARAM key) {
        PostMessageA(target, WM_KEYDOWN, key, 0);
        GuiTest::PumpPending();
    };
    const int expectedAfterF3[] = {1, 2, 3, 0};
    for (int expected : expectedAfterF3) {
        press(main.Handle, VK_F3);
        EXPECT_EQ(main.MainPage.ActiveIndex(), expected);
    }
    press(main.Accounts.Pages[1]->Frame->Serv, VK_F2);  // from a control deep inside a page
    EXPECT_EQ(main.MainPage.ActiveIndex(), 3);
    EXPECT_EQ(main.ActiveSlot(), 0);
    EXPECT_TRUE(IsWindowVisible(main.Accounts.Pages[0]->TabSheet->Handle));
    EXPECT_FALSE(IsWindowVisible(main.Accounts.Pages[1]->TabSheet->Handle));

    // Also while a dialog of the program is open.
    TAction f3ThenOk;
    f3ThenOk.PressF3 = true;
    TDialogAnswerer answerer({f3ThenOk});
    MessageDlgCenter(main.Handle, "F3", TMsgDlgType::Information, mbOK, 0);
    EXPECT_EQ(main.MainPage.ActiveIndex(), 0);
}

TEST(PruneboxMTest, PageCountWarnsAboveSixtyAndTheTableNeverOverflows) {
    TDialogAnswerer answerer;
    TStarted started;
    TPruneboxM& main = started.Main;
    // 60 accounts: 61 pages, no warning yet.
    for (int i = 0; i < 60; ++i) ASSERT_NE(started.AddAccount(), nullptr);
    EXPECT_EQ(main.Accounts.PageCount, 61);
    EXPECT_TRUE(answerer.Seen.empty());
    // The 62nd to 64th pages warn once each.
    for (int i = 0; i < 3; ++i) ASSERT_NE(started.AddAccount(), nullptr);
    EXPECT_EQ(main.Accounts.PageCount, 64);
    ASSERT_EQ(answerer.Seen.size(), 3u);
    for (const auto& seen : answerer.Seen) {
        EXPECT_EQ(seen.Caption, "警告");
        EXPECT_EQ(seen.Text, LoadResString(S_PAGE_LIMIT));
        EXPECT_EQ(seen.ButtonCaptions, std::vector<std::string>{"OK"});
    }
    // A 65th page is refused with the same words; nothing is written past slot 63.
    EXPECT_EQ(started.AddAccount(), nullptr);
    EXPECT_EQ(main.Accounts.PageCount, 64);
    ASSERT_EQ(answerer.Seen.size(), 4u);
    EXPECT_EQ(answerer.Seen[3].Text, LoadResString(S_PAGE_LIMIT));
    EXPECT_EQ(main.MainPage.SheetCount(), 64);
}

TEST(PruneboxMTest, RemovingSlotTwoOfFiveRenumbersTheLaterPages) {
    TStarted started(4);
    TPruneboxM& main = started.Main;
    ASSERT_EQ(main.Accounts.PageCount, 5);
    TChPage* third = main.Accounts.Pages[3].get();
    TChPage* fourth = main.Accounts.Pages[4].get();
    main.RemoveAccount(2);
    EXPECT_EQ(main.Accounts.PageCount, 4);
    EXPECT_EQ(main.Accounts.Pages[2].get(), third);
    EXPECT_EQ(main.Accounts.Pages[3].get(), fourth);
    EXPECT_EQ(main.Accounts.Pages[4], nullptr);
    for (int slot : {2, 3}) {
        TChPage& page = *main.Accounts.Pages[slot];
        EXPECT_EQ(page.Index, slot);
        EXPECT_EQ(page.TabSheet->Tag, slot);
        EXPECT_EQ(page.Frame->Tag, slot);
        EXPECT_EQ(page.Worker->Index, slot);
    }
    EXPECT_EQ(main.MainPage.SheetCount(), 4);
    EXPECT_EQ(TabText(main.MainPage.Handle, 1), "  Account3");
}

TEST(PruneboxMTest, RemovingTheActiveTabActivatesTheOneThatFollowed) {
    TStarted started(3);
    TPruneboxM& main = started.Main;
    main.MainPage.SelectIndex(1, true);  // Account2
    main.RemoveAccount(2);
    EXPECT_EQ(TabText(main.MainPage.Handle, main.MainPage.ActiveIndex()), "  Account3");
}

// Whether a pixel of the lamp colour shows on the tab at index, on the screen.
bool TabShows(HWND tabs, const RECT& tab, COLORREF colour) {
    HDC dc = GetDC(tabs);
    bool found = false;
    for (int y = tab.top - 2; y < tab.bottom + 2 && !found; ++y) {
        for (int x = tab.left - 4; x < tab.right && !found; ++x)
            found = GetPixel(dc, x, y) == colour;
    }
    ReleaseDC(tabs, dc);
    return found;
}

TEST(PruneboxMTest, LampStateFromAWorkerIsDrawnOnTheUiThread) {
    TStarted started(1);
    TPruneboxM& main = started.Main;
    main.MainPage.SelectIndex(1, true);  // Account1's tab is drawn unselected: black text
    const COLORREF lamps[] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0), RGB(255, 255, 0)};
    for (int state : {2, 3, 0}) {
        std::thread worker([&] { main.Accounts.Pages[1]->Bridge->SetIndicatorState(1, state); });
        worker.join();
        ASSERT_TRUE(PumpUntil([&] { return main.Accounts.Pages[1]->IndicatorState == state; }))
            << state;
        ASSERT_TRUE(PumpUntil([&] {
            UpdateWindow(main.MainPage.Handle);
            return TabShows(main.MainPage.Handle, main.MainPage.TabRect(0), lamps[state]);
        })) << state;
        for (int other : {0, 2, 3}) {
            if (other == state) continue;
            EXPECT_FALSE(TabShows(main.MainPage.Handle, main.MainPage.TabRect(0), lamps[other]));
        }
    }
    main.Accounts.Pages[1]->SetIndicatorState(4);  // no such lamp: refused
    EXPECT_EQ(main.Accounts.Pages[1]->IndicatorState, 0);
}

// Draws one tab into a bitmap and returns where the lamp's top-left corner landed.
POINT LampCorner(TPruneboxM& main, int tabIndex, const RECT& rect, bool active, COLORREF body) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    main.MainPageDrawTab(dc, tabIndex, rect, active);
    POINT corner{-1, -1};
    // The first body pixel in reading order is the lamp's (3, 2).
    for (int y = 0; y < 100 && corner.x < 0; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (GetPixel(dc, x, y) == body) {
                corner = POINT{x - 3, y - 2};
                break;
            }
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return corner;
}

TEST(PruneboxMTest, LampSitsWhereTheTabPositionAndSelectionPutIt) {
    const RECT rect{20, 10, 120, 40};
    struct TCase {
        TTabPosition Position;
        bool Active;
        POINT Expected;
    } cases[] = {
        {TTabPosition::Top, true, {rect.left + 1 + 5, rect.top + 2 + 5}},
        {TTabPosition::Top, false, {rect.left - 3 + 5, rect.top + 1 + 5}},
        {TTabPosition::Bottom, true, {rect.left + 1 + 5, rect.top + 2 + 3}},
        {TTabPosition::Bottom, false, {rect.left - 3 + 5, rect.top + 1 - 2 + 3}},
    };
    for (const TCase& c : cases) {
        TStarted started(0, c.Position);
        started.Main.Accounts.Pages[0]->IndicatorState = 2;
        POINT corner = LampCorner(started.Main, 0, rect, c.Active, RGB(255, 0, 0));
        EXPECT_EQ(corner.x, c.Expected.x) << static_cast<int>(c.Position) << c.Active;
        EXPECT_EQ(corner.y, c.Expected.y) << static_cast<int>(c.Position) << c.Active;
    }
}

TEST(PruneboxMTest, DeleteConfirmationFromAWorkerReturnsTheAnswer) {
    TStarted started;
    struct TCase {
        TAction Action;
        int Result;
    } cases[] = {{TAction(TAnswer::Enter), mrOk},
                 {TAction(TAnswer::Click, mrCancel), mrCancel},
                 {TAction(TAnswer::Close), mrCancel}};
    for (const TCase& c : cases) {
        TDialogAnswerer answerer({c.Action});
        std::atomic<bool> done{false};
        int answer = -1;
        const char* question = "3通のメールを削除します。";
        std::thread worker([&] {
            answer = started.Main.Accounts.Pages[0]->Bridge->ConfirmDelete(question);
            done = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        worker.join();
        EXPECT_EQ(answer, c.Result);
        ASSERT_EQ(answerer.Seen.size(), 1u);
        EXPECT_EQ(answerer.Seen[0].Caption, "確認");
        EXPECT_EQ(answerer.Seen[0].Text, question);
        EXPECT_EQ(answerer.Seen[0].ButtonCaptions, (std::vector<std::string>{"OK", "キャンセル"}));
    }
}

TEST(PruneboxMTest, PasswordPromptFillsThePageOfTheSlotAndMasksTheAnswer) {
    TStarted started(2);
    TPruneboxM& main = started.Main;
    struct TCase {
        TAnswer Answer;
        const char* Typed;
        const char* Stored;
    } cases[] = {{TAnswer::Enter, "secret", "secret"}, {TAnswer::Escape, "ignored", ""}};
    for (const TCase& c : cases) {
        SetWindowTextA(main.Accounts.Pages[2]->Frame->Pass, "before");
        TAction action(c.Answer);
        action.FieldText = c.Typed;
        TDialogAnswerer answerer({action});
        std::atomic<bool> done{false};
        std::thread worker([&] {
            main.Accounts.Pages[2]->Bridge->PromptPassword("Account2");
            done = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        worker.join();
        ASSERT_EQ(answerer.Seen.size(), 1u);
        EXPECT_EQ(answerer.Seen[0].Caption, "アカウント名 - Account2");
        EXPECT_EQ(answerer.Seen[0].Text, "パスワードを入力してください");
        EXPECT_TRUE(answerer.Seen[0].FieldMasked);
        EXPECT_EQ(GuiTest::WindowText(main.Accounts.Pages[2]->Frame->Pass), c.Stored);
        EXPECT_EQ(GuiTest::WindowText(main.Accounts.Pages[1]->Frame->Pass), "");
    }
}

TEST(PruneboxMTest, TrustedCertificateIsStoredOnlyWhenTheAnswerIsYes) {
    TStarted started;
    TPruneboxM& main = started.Main;
    const std::string key = "taro@pop.example.jp";
    const std::string hash(64, 'a');
    const struct {
        TAction Action;
        bool Trusted;
    } cases[] = {{TAction(TAnswer::Click, mrNo), false},
                 {TAction(TAnswer::Close), false},
                 {TAction(TAnswer::Enter), false},  // a stray Enter refuses
                 {TAction(TAnswer::Click, mrYes), true}};
    for (const auto& c : cases) {
        TAccountSettings account;
        account.Name = "Home";
        TAccountStore(*main.Registry).SaveAccount(account, key, key);
        TDialogAnswerer answerer({c.Action});
        const bool trusted =
            main.AskTrustCertificate(key, "この証明書は信頼されていません。", hash);
        EXPECT_EQ(trusted, c.Trusted);
        ASSERT_EQ(answerer.Seen.size(), 1u);
        EXPECT_EQ(answerer.Seen[0].Caption, "警告");
        EXPECT_EQ(answerer.Seen[0].ButtonCaptions,
                  (std::vector<std::string>{"はい(&Y)", "いいえ(&N)"}));
        EXPECT_EQ(answerer.Seen[0].DefaultId, mrNo);
        TAccountStore store(*main.Registry);
        ASSERT_TRUE(store.OpenAccount(key));
        EXPECT_EQ(store.LoadAccount().CertHash, c.Trusted ? hash : "");
    }
}

TEST(PruneboxMTest, HeaderViewerOpensOnlyOnThePageThatAskedWhileItIsThere) {
    struct TCase {
        int Removed;  // slot removed before the posted request arrives; 0 for none
        bool Opens;
    } cases[] = {{0, true}, {3, false}, {2, false}};
    for (const TCase& c : cases) {
        TStarted started(3);
        TPruneboxM& main = started.Main;
        TChPage& asking = *main.Accounts.Pages[3];
        asking.HeaderLines = {"Subject: hi"};
        asking.HeaderSubject = "hi";
        asking.HeaderPending = true;
        main.ShowHeaderLater(3);  // posted, as the page's worker asks for it
        if (c.Removed) main.RemoveAccount(c.Removed);
        TDialogAnswerer answerer({TAction(TAnswer::Close)});
        for (int i = 0; i < 20; ++i) GuiTest::PumpPending();
        EXPECT_EQ(answerer.Seen.size(), c.Opens ? 1u : 0u) << c.Removed;
        if (c.Opens) {
            EXPECT_EQ(answerer.Seen[0].Caption, LoadResString(S_HEADER_VIEWER) + "hi");
        }
    }
}

TEST(PruneboxMTest, FocusStartsInTheListAndComesBackToItsControlAfterADialog) {
    TStarted started(1);
    TPruneboxM& main = started.Main;
    TChPage& page = *main.Accounts.Pages[main.ActiveSlot()];
    EXPECT_EQ(GetFocus(), page.Frame->MailView);
    for (HWND focused : {page.Frame->Serv, page.Frame->MailView}) {
        SetFocus(focused);
        page.HeaderLines = {"Subject: hi"};
        page.HeaderPending = true;
        main.ShowHeaderLater(page.Index);
        TDialogAnswerer answerer({TAction(TAnswer::Escape)});
        ASSERT_TRUE(PumpUntil([&] { return answerer.Seen.size() == 1; }));
        for (int i = 0; i < 10; ++i) GuiTest::PumpPending();
        EXPECT_EQ(GetFocus(), focused) << GuiTest::ClassName(GetFocus());
    }
}

TEST(PruneboxMTest, EndOfSessionClosesTheWindowAndLetsWindowsEnd) {
    TStarted started(2);
    EXPECT_EQ(SendMessageA(started.Main.Handle, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(started.Closed);
    EXPECT_EQ(started.Main.Handle, nullptr);
    for (const auto& page : started.Main.Accounts.Pages) EXPECT_EQ(page, nullptr);
    EXPECT_EQ(started.Main.Accounts.PageCount,
              3);  // kept; an empty last slot stops the resize work
}

// Accounts stored under the tests' key before a start.
void StoreAccounts(const std::vector<std::string>& names, int activeItem = -1) {
    ClearTestSettings();
    TWinRegistry registry(TestRegistryBase);
    TAccountStore store(registry);
    for (const std::string& name : names) {
        TAccountSettings account;
        account.Name = name;
        account.Serv = "pop." + name + ".example";
        account.IDNum = "user-" + name;
        account.Pass = "pw-" + name;
        account.APOPCheck = name == "b";
        account.Design = "X-ML:";
        store.SaveAccount(account, "user-" + name + "@pop." + name + ".example");
    }
    if (activeItem >= 0) {
        registry.OpenKey("\\Setup", true);
        registry.WriteInteger("Version", kSettingsVersion);  // an older layout would be dropped
        registry.WriteInteger("Item", activeItem);
    }
}

std::vector<std::string> TabTexts(const TPageControl& tabs) {
    std::vector<std::string> texts;
    for (int i = 0; i < tabs.SheetCount(); ++i) texts.push_back(TabText(tabs.Handle, i));
    return texts;
}

TEST(PruneboxMTest, StoredAccountsComeInRegistryOrderThenTheNewTab) {
    StoreAccounts({"a", "b", "c"});
    TStarted started(0, TTabPosition::Top, false);
    TPruneboxM& main = started.Main;
    EXPECT_EQ(main.Accounts.PageCount, 4);
    EXPECT_EQ(TabTexts(main.MainPage), (std::vector<std::string>{"  a", "  b", "  c", "  新規"}));
    EXPECT_EQ(main.MainPage.ActiveIndex(), 0);
    EXPECT_EQ(main.ActiveSlot(), 1);
    TChPage& b = *main.Accounts.Pages[2];
    EXPECT_EQ(b.KeyName, "user-b@pop.b.example");
    EXPECT_EQ(GuiTest::WindowText(b.Frame->Serv), "pop.b.example");
    EXPECT_EQ(GuiTest::WindowText(b.Frame->IDNum), "user-b");
    EXPECT_EQ(GuiTest::WindowText(b.Frame->Pass), "pw-b");
    EXPECT_EQ(SendMessageA(b.Frame->APOPCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(main.Accounts.Pages[1]->Frame->APOPCheck, BM_GETCHECK, 0, 0),
              BST_UNCHECKED);
    EXPECT_EQ(b.Design, "X-ML:");
}

TEST(PruneboxMTest, StoredItemActivatesItsTab) {
    StoreAccounts({"a", "b", "c"}, 3);
    TStarted started(0, TTabPosition::Top, false);
    EXPECT_EQ(started.Main.MainPage.ActiveIndex(), 3);
    EXPECT_EQ(started.Main.ActiveSlot(), 0);
}

TEST(PruneboxMTest, MoreStoredAccountsThanSlotsLoadsTheFirstSixtyThreeAndSaysSo) {
    std::vector<std::string> names;
    for (int i = 0; i < 65; ++i) names.push_back("n" + std::to_string(100 + i));
    StoreAccounts(names);
    TDialogAnswerer answerer;
    TStarted started(0, TTabPosition::Top, false);
    EXPECT_EQ(started.Main.Accounts.PageCount, 64);
    EXPECT_EQ(started.Main.MainPage.SheetCount(), 64);
    EXPECT_EQ(TabText(started.Main.MainPage.Handle, 62), "  n162");
    // Three for the 62nd to 64th page, one for the accounts left out.
    ASSERT_EQ(answerer.Seen.size(), 4u);
    for (const auto& seen : answerer.Seen) EXPECT_EQ(seen.Text, LoadResString(S_PAGE_LIMIT));
}

TEST(PruneboxMTest, AccountAddedWhileRunningGetsTheColumnWidthsOfTheOthers) {
    TStarted started;
    TChPage* added = started.Main.Accounts.AddAccount();
    ASSERT_NE(added, nullptr);
    // The title fits each list's own width.
    for (int column = 1; column < kListColumns; ++column) {
        EXPECT_EQ(SendMessageA(added->Frame->MailView, LVM_GETCOLUMNWIDTH, column, 0),
                  SendMessageA(started.Main.Accounts.Pages[0]->Frame->MailView, LVM_GETCOLUMNWIDTH,
                               column, 0))
            << column;
    }
}

// The subject takes the width the other columns leave, at least 160 pixels, and follows the
// window until the user sets its width.
TEST(PruneboxMTest, TheSubjectTakesTheWidthTheOtherColumnsLeave) {
    TStarted started;
    TPruneboxM& main = started.Main;
    HWND list = main.Accounts.Pages[main.ActiveSlot()]->Frame->MailView;
    auto width = [&](int column) {
        return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
    };
    auto left = [&] {
        RECT client;
        GetClientRect(list, &client);
        int room = client.right - GetSystemMetrics(SM_CXVSCROLL);
        for (int column = 1; column < MailColumn::Count; ++column) room -= width(column);
        return room;
    };
    EXPECT_GE(width(MailColumn::Title), 160);
    EXPECT_EQ(width(MailColumn::Title), left());
    RECT bounds;
    GetWindowRect(main.Handle, &bounds);
    SetWindowPos(main.Handle, nullptr, 0, 0, bounds.right - bounds.left + 200,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(width(MailColumn::Title), left());

    // The user drags the title's edge: the width stays when the window grows.
    SendMessageA(list, LVM_SETCOLUMNWIDTH, MailColumn::Title, 180);
    NMHEADERA drag{};
    drag.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    drag.hdr.code = HDN_ENDTRACKA;
    drag.iItem = MailColumn::Title;
    SendMessageA(GetParent(list), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&drag));
    SetWindowPos(main.Handle, nullptr, 0, 0, bounds.right - bounds.left + 300,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(width(MailColumn::Title), 180);
}

TEST(PruneboxMTest, RemovingAnAccountDeletesItsStoredKey) {
    StoreAccounts({"a", "b", "c"});
    TStarted started(0, TTabPosition::Top, false);
    started.Main.RemoveAccount(2);
    TWinRegistry registry(TestRegistryBase);
    EXPECT_FALSE(registry.KeyExists("\\Connect\\user-b@pop.b.example"));
    EXPECT_TRUE(registry.KeyExists("\\Connect\\user-c@pop.c.example"));
}

TEST(PruneboxMTest, CloseSavesTheNormalBoundsHoweverTheWindowWasMaximisedOrMinimised) {
    const struct {
        const char* Name;
        std::function<void(HWND)> Change;
    } ways[] = {
        {"normal", [](HWND) {}},
        {"maximise command", [](HWND w) { SendMessageA(w, WM_SYSCOMMAND, SC_MAXIMIZE, 0); }},
        // Win+Up or a drag to the top of the screen: no maximise command, no caption click.
        {"maximised otherwise", [](HWND w) { ShowWindow(w, SW_MAXIMIZE); }},
        {"minimised", [](HWND w) { ShowWindow(w, SW_MINIMIZE); }},
        {"maximised then minimised",
         [](HWND w) {
             ShowWindow(w, SW_MAXIMIZE);
             ShowWindow(w, SW_MINIMIZE);
         }},
    };
    for (const auto& way : ways) {
        StoreAccounts({"a", "b"});
        TStarted started(0, TTabPosition::Top, false);
        TPruneboxM& main = started.Main;
        SetWindowPos(main.Handle, nullptr, 30, 40, 700, 500, SWP_NOZORDER);
        main.MainPage.SelectIndex(1, true);
        SendMessageA(main.Accounts.Pages[2]->Frame->MailView, LVM_SETCOLUMNWIDTH, 1, 77);
        way.Change(main.Handle);
        SendMessageA(main.Handle, WM_CLOSE, 0, 0);
        ASSERT_TRUE(started.Closed);

        TWinRegistry registry(TestRegistryBase);
        ASSERT_TRUE(registry.OpenKey("\\Setup", false));
        EXPECT_EQ(registry.ReadInteger("Left"), 30) << way.Name;
        EXPECT_EQ(registry.ReadInteger("Top"), 40) << way.Name;
        EXPECT_EQ(registry.ReadInteger("Width"), 700) << way.Name;
        EXPECT_EQ(registry.ReadInteger("Height"), 500) << way.Name;
        EXPECT_EQ(registry.ReadInteger("Item"), 1);
        EXPECT_EQ(registry.ReadInteger("Version"), 204);
        EXPECT_EQ(registry.ReadInteger("From"), 77);
        EXPECT_EQ(registry.ReadBool("Small"), true);

        // The next start opens where the window was before it was maximised.
        TStarted again(0, TTabPosition::Top, false);
        RECT bounds;
        GetWindowRect(again.Main.Handle, &bounds);
        EXPECT_EQ(bounds.left, 30);
        EXPECT_EQ(bounds.top, 40);
        EXPECT_EQ(bounds.right - bounds.left, 700);
        EXPECT_EQ(again.Main.MainPage.ActiveIndex(), 1);
    }
}

// Sizes are stored at 96 DPI: shown at the window's DPI and stored back as they were, so that
// settings move between screens (also run at 144 DPI: PruneboxMTestAt144).
TEST(PruneboxMTest, StoredSizesAreAt96DpiAndComeBackUnchanged) {
    StoreAccounts({"a"});
    {
        TWinRegistry registry(TestRegistryBase);
        TWindowSettings window;
        window.Left = 30, window.Top = 40, window.Width = 700, window.Height = 500;
        TListSettings list;
        list.ColumnWidths[1] = 77;
        ASSERT_TRUE(TSetupStore(registry).SaveWindowSettings(window, 0, list));
    }
    TStarted started(0, TTabPosition::Top, false);
    TPruneboxM& main = started.Main;
    const int dpi = Dpi::Of(main.Handle);
    if (GuiTest::ExpectedDpi()) {
        ASSERT_EQ(dpi, GuiTest::ExpectedDpi());
    }
    RECT bounds;
    GetWindowRect(main.Handle, &bounds);
    EXPECT_EQ(bounds.left, 30);  // a position is the screen's, in pixels
    EXPECT_EQ(bounds.right - bounds.left, Dpi::Scale(700, dpi));
    EXPECT_EQ(bounds.bottom - bounds.top, Dpi::Scale(500, dpi));
    EXPECT_EQ(SendMessageA(main.Accounts.Pages[1]->Frame->MailView, LVM_GETCOLUMNWIDTH, 1, 0),
              Dpi::Scale(77, dpi));
    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    ASSERT_TRUE(started.Closed);

    TWinRegistry registry(TestRegistryBase);
    ASSERT_TRUE(registry.OpenKey("\\Setup", false));
    EXPECT_EQ(registry.ReadInteger("Left"), 30);
    EXPECT_EQ(registry.ReadInteger("Width"), 700);
    EXPECT_EQ(registry.ReadInteger("Height"), 500);
    EXPECT_EQ(registry.ReadInteger("From"), 77);
}

TEST(PruneboxMTest, StoredPositionOutsideEveryWorkAreaComesBackOnScreen) {
    // A first run stores every window value; the position is then changed in the store.
    StoreAccounts({});
    {
        TStarted first(0, TTabPosition::Top, false);
        SetWindowPos(first.Main.Handle, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
        SendMessageA(first.Main.Handle, WM_CLOSE, 0, 0);
    }
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const LONG w = 700, h = 500;
    const struct {
        POINT Stored, Opened;
    } cases[] = {
        {{30, 40}, {30, 40}},
        {{work.right - 100, work.bottom - 50}, {work.right - 100, work.bottom - 50}},  // partly
        {{work.right + 3000, work.bottom + 2000}, {work.right - w, work.bottom - h}},
        {{work.left - 5000, 40}, {work.left, 40}},
    };
    for (const auto& c : cases) {
        {
            TWinRegistry registry(TestRegistryBase);
            ASSERT_TRUE(registry.OpenKey("\\Setup", false));
            registry.WriteInteger("Left", c.Stored.x);
            registry.WriteInteger("Top", c.Stored.y);
        }
        TStarted started(0, TTabPosition::Top, false);
        RECT bounds;
        GetWindowRect(started.Main.Handle, &bounds);
        const RECT expected{c.Opened.x, c.Opened.y, c.Opened.x + w, c.Opened.y + h};
        EXPECT_TRUE(EqualRect(&bounds, &expected)) << c.Stored.x << "," << c.Stored.y;
    }
}

TEST(PruneboxMTest, SystemMenuItemThatCannotBeAddedSaysErrorUnderTheApplicationTitle) {
    TDialogAnswerer answerer;
    TPruneboxM::AppendSystemMenuItem(nullptr, nullptr, MF_STRING, TPruneboxM::SysCenter, "x");
    ASSERT_EQ(answerer.Seen.size(), 1u);
    EXPECT_EQ(answerer.Seen[0].Caption, "Prunebox");
    EXPECT_EQ(answerer.Seen[0].Text, "Error");
}

// A new account chooses SSL/TLS in the dialog and meets a self-signed certificate: "いいえ" ends
// before the login and stores nothing, "はい" stores the fingerprint, and the next connection goes
// on without a question.
TEST(PruneboxMTest, CertificateQuestionAnsweredBothWaysForAnAccountMadeInTheDialog) {
    const std::string tlsPort = TestEnv::Get("PB_TLS_PORT");
    if (tlsPort.empty()) GTEST_SKIP() << "no TLS fixture";
    const std::string selfHash = TestCertHash("self");
    TStarted started;
    const std::string host = TestCertAddress("self");
    std::string portShown;
    {
        GuiTest::TDialogScript script(
            {{"アカウントの追加", [&](HWND dialog) {
                  GuiTest::SetText(dialog, TASetup::IdAccountEdit, "tls");
                  GuiTest::SetText(dialog, TASetup::IdSServ, host);
                  GuiTest::SetText(dialog, TASetup::IdSIDNum, "jpuser");
                  GuiTest::SetText(dialog, TASetup::IdSPass, TestEnv::Get("PB_DOVECOT_PASSWORD"));
                  SendMessageA(GuiTest::FindControl(dialog, TASetup::IdPassCheck), BM_SETCHECK,
                               BST_CHECKED, 0);
                  GuiTest::ChooseComboItem(dialog, TASetup::IdSecurityCombo, kSecuritySslTls);
                  portShown = GuiTest::Text(dialog, TASetup::IdPortEdit);
                  GuiTest::SetText(dialog, TASetup::IdPortEdit, tlsPort);
                  GuiTest::ClickButton(dialog, IDOK);
              }}});
        TASetup setup(started.Main.Accounts, *started.Main.Registry, 0);
        setup.NewAccount = true;
        setup.Caption = "アカウントの追加";
        ASSERT_TRUE(setup.ShowModal());
        ASSERT_TRUE(script.Done());
    }
    EXPECT_EQ(portShown, "995");
    TChPage& page = *started.Main.Accounts.Pages[1];
    TMainFrame& frame = *page.Frame;
    auto storedHash = [&] {
        TAccountStore store(*started.Main.Registry);
        EXPECT_TRUE(store.OpenAccount("jpuser@" + host));
        return store.LoadAccount().CertHash;
    };
    auto run = [&](HWND button) {
        SendMessageA(button, BM_CLICK, 0, 0);
        ASSERT_TRUE(PumpUntil(
            [&] { return IsWindowEnabled(frame.KvPanel1.Handle) && !page.Worker->Busy(); }, 30000));
        GuiTest::PumpPending();
    };
    const struct {
        int Answer;  // to the certificate question; 0 when none may come
        int Rows;    // listed
        const char* Panel0;
        int Lamp;
    } connections[] = {{mrNo, 0, "証明書が信頼されなかったため、接続を中止しました。", 0},
                       {mrYes, 15, nullptr, 3},
                       {0, 15, nullptr, 3}};
    for (const auto& c : connections) {
        SCOPED_TRACE(c.Answer);
        TDialogAnswerer answerer({TAction(TAnswer::Click, c.Answer ? c.Answer : mrCancel)});
        run(frame.Logon);
        ASSERT_EQ(answerer.Seen.size(), c.Answer ? 1u : 0u);
        if (c.Answer) {
            EXPECT_NE(answerer.Seen[0].Text.find("SHA-256: "), std::string::npos);
        }
        EXPECT_EQ(frame.RowCount(), c.Rows);
        EXPECT_EQ(page.IndicatorState, c.Lamp);
        if (c.Panel0) {
            EXPECT_EQ(frame.StatusBar1.Text(0), c.Panel0);
        }
        EXPECT_EQ(storedHash(), c.Answer == mrNo ? "" : selfHash);
        if (!c.Rows) continue;
        EXPECT_EQ(frame.StatusBar1.Text(3).rfind("SSL/TLS (TLS 1.", 0), 0u)
            << frame.StatusBar1.Text(3);
        run(frame.Kill);
    }
}

// Each fixed text has room in its place, in the font that place draws with, at the DPI the
// test runs at (also 144: see PruneboxMTestAt144). A status part loses its sunken edge on each
// side and the 3-pixel inset of its text; a column header its text margin of three edges on
// each side; a push button its frame and focus rectangle.
TEST(PruneboxMTest, FixedTextsFitTheirPlaces) {
    TStarted started;
    const TMainFrame& frame = *started.Main.Accounts.Pages[0]->Frame;
    if (const int dpi = GuiTest::ExpectedDpi()) {
        ASSERT_EQ(Dpi::Of(frame.Handle), dpi);
    }
    const int edge = GetSystemMetrics(SM_CXEDGE);
    auto fontOf = [](HWND window) {
        return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    };
    auto part = [&](int index) {
        RECT rect{};
        SendMessageA(frame.StatusBar1.Handle, SB_GETRECT, index, reinterpret_cast<LPARAM>(&rect));
        return static_cast<int>(rect.right - rect.left) - 2 * edge - 3;
    };
    auto column = [&](HWND list, int index) {
        return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, index, 0)) - 6 * edge;
    };
    // The account dialog's rule list, as it opens.
    int rules[2] = {};
    HFONT rulesFont = nullptr;
    {
        TASetup setup(started.Main.Accounts, *started.Main.Registry, started.Main.ActiveSlot());
        setup.Caption = "アカウントの設定";
        GuiTest::TDialogScript script({{"アカウントの設定", [&](HWND dialog) {
                                            HWND list =
                                                GuiTest::FindControl(dialog, TASetup::IdDelView);
                                            rules[0] = column(list, 0);
                                            rules[1] = column(list, 1);
                                            rulesFont = fontOf(list);
                                            GuiTest::ClickButton(dialog, IDCANCEL);
                                        }}});
        setup.ShowModal();
    }
    HWND mailHeader = reinterpret_cast<HWND>(SendMessageA(frame.MailView, LVM_GETHEADER, 0, 0));
    struct TCase {
        std::string Place;
        int Space;
        HFONT Font;
        std::string Text;
    };
    std::vector<TCase> cases = {
        {"status part 1", part(1), fontOf(frame.StatusBar1.Handle), "全 99999通"},
        {"status part 2", part(2), fontOf(frame.StatusBar1.Handle), "削除予定 99999通"},
        {"status part 2", part(2), fontOf(frame.StatusBar1.Handle), "99999通目処理中"},
        {"designated-header column", column(frame.MailView, MailColumn::Designated),
         fontOf(mailHeader), "指定ヘッダ"},
        {"rule list column 0", rules[0], rulesFont, "ヘッダタイトル"},
        {"rule list column 1", rules[1], rulesFont, "含まれる文字"},
    };
    // The login labels and the buttons.
    for (HWND panel : {frame.KvPanel1.Handle, frame.KvPanel2.Handle}) {
        for (HWND label : GuiTest::Children(panel, "Static"))
            cases.push_back(
                {"label", ClientWidth(label), fontOf(label), GuiTest::WindowText(label)});
        for (HWND button : GuiTest::Children(panel, "Button")) {
            if (GuiTest::WindowText(button).empty()) continue;
            cases.push_back({"button", ClientWidth(button) - 6 * edge, fontOf(button),
                             GuiTest::WindowText(button)});
        }
    }
    HDC dc = GetDC(nullptr);
    for (const auto& c : cases) {
        ASSERT_NE(c.Font, nullptr) << c.Place;
        HGDIOBJ old = SelectObject(dc, c.Font);
        SIZE extent{};
        GetTextExtentPoint32A(dc, c.Text.c_str(), static_cast<int>(c.Text.size()), &extent);
        SelectObject(dc, old);
        EXPECT_LE(extent.cx, c.Space) << c.Place << ": " << c.Text;
    }
    ReleaseDC(nullptr, dc);
}

}  // namespace

namespace {

// The shell still holds the main window's icon: a change to it is accepted.
bool IconThere(HWND owner) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = TTrayIcon::Id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void StoreTray(bool on) {
    TWinRegistry registry(TestRegistryBase);
    TResidentSettings settings;
    settings.Tray = on;
    ASSERT_TRUE(TSetupStore(registry).SaveResidentSettings(settings));
    registry.WriteInteger("Version", kSettingsVersion);  // an older layout would be dropped
}

TEST(PruneboxMTest, IconIsThereUnlessSwitchedOffAndComesBackAfterTheShellRestarts) {
    for (const bool on : {true, false}) {
        ClearTestSettings();
        StoreTray(on);
        TStarted started(0, TTabPosition::Top, false);
        HWND main = started.Main.Handle;
        EXPECT_EQ(IconThere(main), on) << on;
        if (!on) continue;
        // A shell that restarted has lost it, and says so to every top-level window.
        NOTIFYICONDATAA data{};
        data.cbSize = sizeof data;
        data.hWnd = main;
        data.uID = TTrayIcon::Id;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
        ASSERT_FALSE(IconThere(main));
        SendMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        EXPECT_TRUE(IconThere(main));
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IconThere(main));
    }
}

TEST(PruneboxMTest, MinimisingHidesBehindTheIconAndItsSelectShowsTheWindow) {
    struct TCase {
        bool Tray;
        bool Hidden;  // minimised: hidden rather than iconic
    };
    for (const TCase c : {TCase{true, true}, TCase{false, false}}) {
        ClearTestSettings();
        StoreTray(c.Tray);
        TStarted started(1, TTabPosition::Top, false);
        HWND main = started.Main.Handle;
        SendMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        GuiTest::PumpPending();
        EXPECT_EQ(!IsWindowVisible(main), c.Hidden) << c.Tray;
        EXPECT_EQ(IsIconic(main) != FALSE, !c.Hidden) << c.Tray;
        if (!c.Tray) continue;
        // The icon's left click (version 4: the event in the low word, the icon's id above).
        SendMessageA(main, WM_PB_TRAY, 0, MAKELPARAM(NIN_SELECT, TTrayIcon::Id));
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_FALSE(IsIconic(main));
    }
}

// The first hide says where the window went, once for good. Wine's balloons report no click:
// the icon's next click after a notice of new mail shows the account it named, once.
TEST(PruneboxMTest, FirstHideSaysWhereAndTheIconAfterANoticeShowsItsAccount) {
    ClearTestSettings();
    StoreTray(true);
    auto hintStored = [] {
        TWinRegistry registry(TestRegistryBase);
        return registry.OpenKey(kSetupKey, false) &&
               registry.ReadBool("TrayHintShown").value_or(false);
    };
    std::vector<bool> hints;
    std::vector<int> shownSlots;
    {
        TStarted started(2, TTabPosition::Top, false);
        TPruneboxM& main = started.Main;
        auto hideThenClickIcon = [&] {
            SendMessageA(main.Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            hints.push_back(hintStored());
            SendMessageA(main.Handle, WM_PB_TRAY, 0, MAKELPARAM(NIN_SELECT, TTrayIcon::Id));
            EXPECT_TRUE(IsWindowVisible(main.Handle));
            shownSlots.push_back(main.ActiveSlot());
        };
        hideThenClickIcon();
        TCheckResult arrived;
        arrived.Arrived.resize(1);
        main.CheckEnded(2, arrived);  // a notice naming Account2, the window hidden
        hideThenClickIcon();
        main.Accounts.Activate(1);
        hideThenClickIcon();
    }
    TStarted again(0, TTabPosition::Top, false);
    EXPECT_TRUE(again.Main.ResidentSettings().HintShown);
    EXPECT_EQ(hints, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(shownSlots, (std::vector<int>{1, 2, 1}));
}

TEST(PruneboxMTest, IconMenuOpensAndEnds) {
    HMENU menu = TrayMenu::Create();
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items.push_back(text);
    }
    std::vector<bool> grey;
    for (int id : {TrayMenu::IdOpen, TrayMenu::IdCheckAll, TrayMenu::IdExit})
        grey.push_back(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    EXPECT_EQ(items, (std::vector<std::string>{"開く(&O)", "すべて新着確認(&C)", "", "終了(&X)"}));
    EXPECT_EQ(grey, (std::vector<bool>{false, false, false}));

    TStarted started;
    HWND main = started.Main.Handle;
    ShowWindow(main, SW_HIDE);
    SendMessageA(main, WM_COMMAND, TrayMenu::IdOpen, 0);
    EXPECT_TRUE(IsWindowVisible(main));
    SendMessageA(main, WM_COMMAND, TrayMenu::IdExit, 0);
    EXPECT_TRUE(started.Closed);
}

TEST(PruneboxMTest, IconTipCountsTheRowsNoTickHolds) {
    TStarted started(2);
    TPruneboxM& main = started.Main;
    TMailRow row;
    row.Columns[0] = "subject";
    for (const bool ticked : {false, false, true}) {
        row.Ticked = ticked;
        main.Accounts.Pages[1]->Frame->AddRow(row);
    }
    EXPECT_FALSE(main.Tray.Icon.ShowsWaitingMail());
    main.Accounts.Pages[1]->SetIndicatorState(0);  // a listing ends
    EXPECT_EQ(main.Tray.Icon.Tip(), "Prunebox\n削除チェックのないメール:\nAccount1 2通");
    EXPECT_TRUE(main.Tray.Icon.ShowsWaitingMail());
}

TEST(PruneboxMTest, FailedCheckShowsInTheTipUntilACheckGoesThrough) {
    TStarted started(2);
    TPruneboxM& main = started.Main;
    main.Accounts.Pages[1]->KeyName = "u@h";
    TCheckResult failed;
    failed.Outcome = TCheckOutcome::NetworkFailure;
    failed.Failure = "通信エラー";
    main.CheckEnded(1, failed);
    EXPECT_EQ(main.Tray.Icon.Tip(), "Prunebox\nAccount1 エラー");
    main.CheckEnded(1, TCheckResult{});
    EXPECT_EQ(main.Tray.Icon.Tip(), "Prunebox");
}

TEST(PruneboxMTest, NoticeNamesTheAccountUpToThreeNewMailsAndWhatWasDeleted) {
    const auto mails = [](int n) {
        std::vector<TMailRow> rows(n);
        for (int i = 0; i < n; ++i) {
            rows[i].Columns[TMailRow::Sender] = "s" + std::to_string(i);
            rows[i].Columns[TMailRow::Title] = "件名" + std::to_string(i);
        }
        return rows;
    };
    struct TCase {
        int Arrived;
        size_t Deleted;
        std::string Text;
    } cases[] = {
        {0, 2, ""},
        {1, 0, "仕事: 1通\r\ns0: 件名0"},
        {4, 3,
         "仕事: 4通\r\ns0: 件名0\r\ns1: 件名1\r\ns2: 件名2\r\n...\r\n(3通を自動削除しました)"},
    };
    for (const TCase& c : cases) {
        TCheckResult result;
        result.Arrived = mails(c.Arrived);
        result.Deleted = c.Deleted;
        EXPECT_EQ(TPeriodicChecks::NoticeText("  仕事", result), c.Text) << c.Arrived;
    }
}

}  // namespace
