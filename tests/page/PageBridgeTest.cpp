// The page's bridge from its worker's thread to a fake host: the questions reach the host and
// their answers come back; the lamp and the header viewer request reach it on the UI thread.
// commctrl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "GuiTest.h"
#include "page/ChPage.h"
#include "page/MailRows.h"
#include "page/PageBridge.h"
#include "page/PageHost.h"
#include "ui/PageControl.h"

namespace {

using GuiTest::PumpUntil;

struct TFakeHost : TPageHost {
    int LampChanges = 0;
    int ConfirmAnswer = 1;
    std::string AskedName, PasswordAnswer = "pw";
    std::vector<int> HeaderSlots;
    // Runs while a question is open, as a nested message loop would.
    std::function<void()> DuringQuestion;

    void LampChanged(int) override { ++LampChanges; }
    int ConfirmDelete(const std::string&) override {
        if (DuringQuestion) DuringQuestion();
        return ConfirmAnswer;
    }
    std::string AskPassword(const std::string& accountName) override {
        AskedName = accountName;
        if (DuringQuestion) DuringQuestion();
        return PasswordAnswer;
    }
    bool AskTrustCertificate(const std::string& key, const std::string&,
                             const std::string& hash) override {
        TrustedKeyAndHash = key + " " + hash;
        if (DuringQuestion) DuringQuestion();
        return TrustAnswer;
    }
    void RefreshTokenChanged(const std::string& key, const std::string& token) override {
        StoredToken = key + " " + token;
    }
    void ShowHeaderLater(int slot) override { HeaderSlots.push_back(slot); }
    bool ExtendedViewShown() const override { return true; }
    TSenderLists SenderLists() const override { return {}; }
    bool AddSender(TSenderListKind, const std::string&) override { return false; }
    bool RemoveSender(TSenderListKind, const std::string&) override { return false; }
    void CheckEnded(int, const TCheckResult&) override {}
    bool TrustAnswer = true;
    std::string TrustedKeyAndHash;
    std::string StoredToken;
};

// One page in slot 2 of a bare tab control, with a fake host.
struct TFixture {
    TFakeHost Host;
    HWND Window = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    TPageControl Tabs;
    std::unique_ptr<TChPage> Page;
    TFixture() {
        INITCOMMONCONTROLSEX controls{sizeof controls,
                                      ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        Tabs.Create(Window, 1, true, TTabPosition::Top);
        Page = std::make_unique<TChPage>(Host, Tabs, 2);
    }
    ~TFixture() {
        Page.reset();
        DestroyWindow(Window);
    }
    // Runs a call on a worker thread while the UI thread pumps, as the page's worker does.
    void FromWorker(const std::function<void(TPageBridge&)>& call) {
        std::atomic<bool> done{false};
        TPageBridge& bridge = *Page->Bridge;
        std::thread worker([&] {
            call(bridge);
            done = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        worker.join();
    }
};

TEST(PageBridgeTest, QuestionsAndRequestsReachTheHost) {
    struct TCase {
        const char* What;
        std::function<void(TFixture&)> Run;
        std::function<void(TFixture&)> Check;
    } cases[] = {
        {"the delete answer is the host's",
         [](TFixture& f) {
             f.Host.ConfirmAnswer = 2;
             int answer = 0;
             f.FromWorker(
                 [&](TPageBridge& b) { answer = b.ConfirmDelete("2通のメールを削除しますか?"); });
             EXPECT_EQ(answer, 2);
         },
         [](TFixture&) {}},
        {"the password comes back and goes into the page, asked by account name",
         [](TFixture& f) {
             std::string answer;
             f.FromWorker([&](TPageBridge& b) { answer = b.PromptPassword("Account2"); });
             EXPECT_EQ(answer, "pw");
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Host.AskedName, "Account2");
             EXPECT_EQ(GuiTest::WindowText(f.Page->Frame->Pass), "pw");
         }},
        {"a lamp is stored and the tabs redrawn; no such lamp is refused",
         [](TFixture& f) {
             f.FromWorker([](TPageBridge& b) {
                 b.SetIndicatorState(2, 3);
                 b.SetIndicatorState(2, 4);
             });
             PumpUntil([&] { return f.Host.LampChanges > 0; });
             GuiTest::PumpPending();
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Page->IndicatorState, 3);
             EXPECT_EQ(f.Host.LampChanges, 1);
         }},
        {"the header viewer is asked for with the page's slot",
         [](TFixture& f) {
             f.FromWorker([](TPageBridge& b) { b.ShowHeaderViewer("件名", ""); });
             PumpUntil([&] { return !f.Host.HeaderSlots.empty(); });
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Host.HeaderSlots, std::vector<int>{2});
             EXPECT_TRUE(f.Page->HeaderPending);
             EXPECT_EQ(f.Page->HeaderSubject, "件名");
         }},
        {"a trusted fingerprint goes into the page",
         [](TFixture& f) {
             f.FromWorker([](TPageBridge& b) { EXPECT_TRUE(b.AskTrustCertificate("?", "ab")); });
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Host.TrustedKeyAndHash, f.Page->KeyName + " ab");
             EXPECT_EQ(f.Page->CertHash, "ab");
         }},
        {"a rotated refresh token goes into the page and to the store",
         [](TFixture& f) {
             f.FromWorker([](TPageBridge& b) { b.RefreshTokenChanged("rt-2"); });
             PumpUntil([&] { return !f.Host.StoredToken.empty(); });
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Host.StoredToken, f.Page->KeyName + " rt-2");
             EXPECT_EQ(f.Page->RefreshToken, "rt-2");
         }},
        {"no fingerprint: never asked, the trusted one stays",
         [](TFixture& f) {
             f.Page->CertHash = "ab";
             f.FromWorker([](TPageBridge& b) { EXPECT_FALSE(b.AskTrustCertificate("?", "")); });
         },
         [](TFixture& f) {
             EXPECT_EQ(f.Host.TrustedKeyAndHash, "");
             EXPECT_EQ(f.Page->CertHash, "ab");
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TFixture fixture;
        c.Run(fixture);
        c.Check(fixture);
    }
}

// Drawing is held while rows stream in and must come back once the queue runs dry, however
// short the burst: a status bar whose drawing is held has lost WS_VISIBLE.
TEST(PageBridgeTest, DrawingComesBackWhenTheWorkersChangesRunDry) {
    TFixture fixture;
    HWND bar = fixture.Page->Frame->StatusBar1.Handle;
    auto drawn = [&] { return (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) != 0; };
    ASSERT_TRUE(drawn());
    fixture.FromWorker([](TPageBridge& b) {
        for (int i = 1; i <= 300; ++i) {
            TMailRow row;
            row.Columns[TMailRow::Title] = "mail " + std::to_string(i);
            b.AddRow(row);
            b.SetStatusText(2, std::to_string(i) + "通目処理中");
        }
    });
    EXPECT_TRUE(PumpUntil([&] { return fixture.Page->Frame->RowCount() == 300 && drawn(); }));
    EXPECT_EQ(fixture.Page->Frame->StatusBar1.Text(2), "300通目処理中");
}

// A check starts from the rows as the worker gave them (the list is not read back, which would
// cut long texts and lose what no column shows), in the list's order after a sort, with the
// message numbers the worker set since and the ticks the user gave.
TEST(PageBridgeTest, ACheckIsGivenTheRowsAsListedSortedAndTicked) {
    struct TGiven {
        const char* Title;
        const char* Size;
        const char* Uid;
        const char* AuthServId;
        bool RuleTicked;
    };
    const std::string longTitle(1500, 'x');  // more than a cell read back holds
    const TGiven given[] = {
        {"b", "10", "u1", "mx.example.jp", true},
        {longTitle.c_str(), "9", "u2", "", false},
        {"a", "100", "u3", "", false},
    };
    TFixture fixture;
    TMainFrame& frame = *fixture.Page->Frame;
    fixture.FromWorker([&](TPageBridge& b) {
        for (const TGiven& g : given) {
            TMailRow row;
            row.Columns[TMailRow::Title] = g.Title;
            row.Columns[TMailRow::Size] = g.Size;
            row.Columns[TMailRow::Uidl] = g.Uid;
            row.AuthServId = g.AuthServId;
            row.Ticked = row.RuleTicked = g.RuleTicked;
            row.Reason = g.RuleTicked ? "Subject:,b" : "";
            row.HeaderLines = {std::string("Subject: ") + g.Title};
            b.AddRow(row);
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return frame.RowCount() == 3; }));
    NMLISTVIEW click{};
    click.hdr = {frame.MailView, TMainFrame::IdMailView, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = MailColumn::Size;
    SendMessageA(frame.Handle, WM_NOTIFY, TMainFrame::IdMailView, reinterpret_cast<LPARAM>(&click));
    fixture.FromWorker([](TPageBridge& b) { b.SetMessageNumber(0, "7"); });
    ASSERT_TRUE(
        PumpUntil([&] { return frame.CellText(0, MailColumn::OfRow(TMailRow::Number)) == "7"; }));
    // The user unticks what the rule ticked and ticks another.
    for (const auto& [index, ticked] : {std::pair{1, false}, std::pair{2, true}}) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED;
        state.state = ticked ? LVIS_SELECTED : 0;
        SendMessageA(frame.MailView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    }

    struct TExpected {
        const TGiven& Given;
        const char* Number;
        bool Ticked;
    } expected[] = {{given[1], "7", false}, {given[0], "", false}, {given[2], "", true}};
    const std::vector<TMailRow> rows = fixture.Page->CheckInputs(TChPage::CommandCheck).Rows;
    ASSERT_EQ(rows.size(), 3u);
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const TExpected& e = expected[i];
        EXPECT_EQ(rows[i].Columns[TMailRow::Title], e.Given.Title);
        EXPECT_EQ(rows[i].Columns[TMailRow::Uidl], e.Given.Uid);
        EXPECT_EQ(rows[i].Columns[TMailRow::Number], e.Number);
        EXPECT_EQ(rows[i].AuthServId, e.Given.AuthServId);
        EXPECT_EQ(rows[i].RuleTicked, e.Given.RuleTicked);
        EXPECT_EQ(rows[i].Reason, e.Given.RuleTicked ? "Subject:,b" : "");
        EXPECT_EQ(rows[i].Ticked, e.Ticked);
        EXPECT_TRUE(rows[i].HeaderLines.empty());
    }
}

// Messages sent to the list view, counted by a hook on the UI thread.
HWND CountedList = nullptr;
int ListMessages = 0;
LRESULT CALLBACK CountListMessages(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->hwnd == CountedList)
        ++ListMessages;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A listing adds rows to the page's model; the list view hears of them once a batch. The
// messages it is sent must not grow with the rows: a few a batch, and one for each row the rules
// ticked (here three, whatever the count).
TEST(PageBridgeTest, MessagesToTheListViewDoNotGrowWithTheRowsListed) {
    constexpr int PerBatch = 24;
    for (const int count : {100, 10000}) {
        SCOPED_TRACE(count);
        TFixture fixture;
        TMainFrame& frame = *fixture.Page->Frame;
        ShowWindow(fixture.Window, SW_SHOW);
        int batches = 0;
        auto batchEnd = fixture.Page->Bridge->Queue.OnBatchEnd;
        fixture.Page->Bridge->Queue.OnBatchEnd = [&] {
            ++batches;
            batchEnd();
        };
        CountedList = frame.MailView;
        ListMessages = 0;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountListMessages, nullptr,
                                       GetCurrentThreadId());
        fixture.FromWorker([&](TPageBridge& b) {
            for (int i = 0; i < count; ++i) {
                TMailRow row;
                row.Columns[TMailRow::Title] = "件名 " + std::to_string(i);
                row.Columns[TMailRow::Uidl] = "u" + std::to_string(i);
                row.Ticked = row.RuleTicked = i % (count / 3) == 1;
                row.HeaderLines = {"Subject: " + row.Columns[TMailRow::Title]};
                b.AddRow(row);
            }
        });
        fixture.Page->Bridge->Queue.Drain();
        GuiTest::PumpPending();
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(SendMessageA(frame.MailView, LVM_GETITEMCOUNT, 0, 0), count);
        EXPECT_EQ(SendMessageA(frame.MailView, LVM_GETSELECTEDCOUNT, 0, 0), 3);
        EXPECT_GT(batches, 0);
        EXPECT_LE(ListMessages, PerBatch * batches + 3) << batches << " batches";
    }
}

// A change of the rules gives the list view the model's ticks, few or many (many are pushed with
// the list's drawing held), keeps a hand untick, and does not keep the list from drawing once
// the listing's own hold ends.
TEST(PageBridgeTest, ARuleChangeLeavesTheListsSelectionTheModelsTicks) {
    constexpr int Rows = 200;
    for (const int every : {50, 2}) {  // the rule ticks 4 rows, then 100
        SCOPED_TRACE(every);
        TFixture fixture;
        TMainFrame& frame = *fixture.Page->Frame;
        ShowWindow(fixture.Window, SW_SHOW);
        fixture.FromWorker([&](TPageBridge& b) {
            for (int i = 0; i < Rows; ++i) {
                TMailRow row;
                const std::string title = i % every == 0 ? "hit " : "miss ";
                row.Columns[TMailRow::Title] = title + std::to_string(i);
                row.Columns[TMailRow::Uidl] = "u" + std::to_string(i);
                // Row 0 was ticked by the old rules and unticked by hand.
                row.RuleTicked = i == 0;
                row.HeaderLines = {"Subject: " + row.Columns[TMailRow::Title]};
                b.AddRow(row);
            }
        });
        ASSERT_TRUE(PumpUntil([&] { return frame.RowCount() == Rows; }));
        fixture.Page->AutoDelMode = 1;
        fixture.Page->Rules = {"Subject:,hit"};
        fixture.Page->RulesChanged();
        GuiTest::PumpPending();
        std::vector<int> selected;
        for (int i = -1; (i = static_cast<int>(SendMessageA(frame.MailView, LVM_GETNEXTITEM, i,
                                                             LVNI_SELECTED))) >= 0;)
            selected.push_back(i);
        std::vector<int> expected;
        for (int i = every; i < Rows; i += every) expected.push_back(i);
        EXPECT_EQ(selected, expected);
        EXPECT_EQ(frame.SelectedCount(), static_cast<int>(expected.size()));
        EXPECT_TRUE(PumpUntil([&] { return !frame.ListDrawingHeld(); }));
    }
}

TEST(PageBridgeTest, PasswordAnswerForAPageClosedDuringTheQuestionIsDropped) {
    TFixture fixture;
    // The page goes while the question is open (its account removed meanwhile); the worker is
    // released and nothing touches the closed page.
    fixture.Host.DuringQuestion = [&] { fixture.Page.reset(); };
    std::atomic<bool> done{false};
    TPageBridge& bridge = *fixture.Page->Bridge;
    std::thread worker([&] {
        bridge.PromptPassword("Account2");
        done = true;
    });
    // The worker's own page gate is what normally waits for it; here the test thread does.
    EXPECT_TRUE(PumpUntil([&] { return done.load() || !fixture.Page; }));
    worker.join();
    EXPECT_EQ(fixture.Page, nullptr);
    EXPECT_EQ(fixture.Host.AskedName, "Account2");
}

}  // namespace
