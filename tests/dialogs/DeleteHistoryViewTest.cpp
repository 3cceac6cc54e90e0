#include "dialogs/DeleteHistoryView.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogScript.h"
#include "GuiTest.h"
#include "history/CsvText.h"
#include "history/FileSystem.h"
#include "ui/Dpi.h"

// The deletion history window over a written history file, under Wine.
namespace {

std::string CellText(HWND list, int row, int column) {
    char text[256] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ColumnCaption(HWND list, int column) {
    char text[64] = "";
    LVCOLUMNA item{};
    item.mask = LVCF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ClipboardText() {
    std::string text = "(closed)";
    if (!OpenClipboard(nullptr)) return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    text = data ? static_cast<const char*>(GlobalLock(data)) : "(none)";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    return text;
}

void CtrlKey(HWND target, WPARAM key) {
    BYTE state[256], pressed[256];
    GetKeyboardState(state);
    std::copy(state, state + 256, pressed);
    pressed[VK_CONTROL] = 0x80;
    SetKeyboardState(pressed);
    PostMessageA(target, WM_KEYDOWN, key, 0);
    GuiTest::PumpPending();
    SetKeyboardState(state);
}

TDeletedMail Mail(const std::string& at, const std::string& subject,
                  const std::string& size = "1200") {
    return {at,      "仕事", "自動",       "Subject:,未承諾広告", "", "a@example.com",
            subject, size,   "u" + subject, ""};
}

// The list's column of a field of the file: when, subject and sender come first.
constexpr int SubjectColumn = 1;

TEST(DeleteHistoryViewTest, ListsTheFileNewestFirstAndCopiesTheChosenLines) {
    char full[MAX_PATH] = {};
    GetFullPathNameA("scratch-DeleteHistoryView", MAX_PATH, full, nullptr);
    const std::string folder = full;
    DeleteFileA((folder + "\\deleted.csv").c_str());
    TDeleteHistory history(folder);
    // Two deletions: the later one's lines come first.
    ASSERT_TRUE(history.Append(
        {Mail("2026/12/01 10:00:00", "one"), Mail("2026/12/01 10:00:00", "two, too")}));
    ASSERT_TRUE(history.Append({Mail("2026/12/02 08:30:00", "three")}));

    std::vector<std::string> columns, subjects;
    std::string copied;
    TDeleteHistoryView view(folder);
    GuiTest::TDialogScript script(
        {{"削除履歴", [&](HWND window) {
              HWND list = GetDlgItem(window, TDeleteHistoryView::IdList);
              for (int c = 0; c < 10; ++c) columns.push_back(ColumnCaption(list, c));
              const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
              for (int r = 0; r < rows; ++r) subjects.push_back(CellText(list, r, SubjectColumn));
              LVITEMA chosen{};
              chosen.stateMask = chosen.state = LVIS_SELECTED;
              for (int r : {0, 2})
                  SendMessageA(list, LVM_SETITEMSTATE, r, reinterpret_cast<LPARAM>(&chosen));
              SetFocus(list);
              CtrlKey(list, 'C');
              copied = ClipboardText();
              GuiTest::ClickButton(window, IDCANCEL);
          }}});
    view.ShowModal(nullptr);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(columns, (std::vector<std::string>{"削除日時", "件名", "差出人", "アカウント", "方法",
                                                 "理由", "送信日時", "サイズ", "UIDL",
                                                 "コピー"}));
    EXPECT_EQ(subjects, (std::vector<std::string>{"three", "two, too", "one"}));
    EXPECT_EQ(copied,
              CsvText::Record({"2026/12/02 08:30:00", "仕事", "自動", "Subject:,未承諾広告", "",
                               "a@example.com", "three", "1200", "uthree", ""}) +
                  CsvText::Record({"2026/12/01 10:00:00", "仕事", "自動", "Subject:,未承諾広告", "",
                                   "a@example.com", "one", "1200", "uone", ""}));
    DeleteFileA(history.Path().c_str());
    RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> Subjects(HWND list) {
    std::vector<std::string> subjects;
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) subjects.push_back(CellText(list, r, SubjectColumn));
    return subjects;
}

void ClickColumn(HWND window, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = GetDlgItem(window, TDeleteHistoryView::IdList);
    click.hdr.idFrom = TDeleteHistoryView::IdList;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(window, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

// Column clicks sort (sizes as numbers), the window sizes, Enter opens the copy and says when no
// program opens it; an empty history shows its headers whole.
TEST(DeleteHistoryViewTest, SortsSizesOpensWithEnterAndShowsEmptyHeadersWhole) {
    char full[MAX_PATH] = {};
    GetFullPathNameA("scratch-DeleteHistorySort", MAX_PATH, full, nullptr);
    const std::string folder = full;
    TDeleteHistory history(folder);
    std::vector<std::string> emptyCaptions;
    std::vector<int> emptyWidths;
    HFONT listFont = nullptr;
    int listDpi = 0;
    {
        TDeleteHistoryView view(folder);
        GuiTest::TDialogScript script({{"削除履歴", [&](HWND window) {
                                            HWND list = GetDlgItem(window, TDeleteHistoryView::IdList);
                                            listDpi = Dpi::Of(list);
                                            listFont = reinterpret_cast<HFONT>(
                                                SendMessageA(list, WM_GETFONT, 0, 0));
                                            for (int c = 0; c < 9; ++c) {
                                                emptyCaptions.push_back(ColumnCaption(list, c));
                                                emptyWidths.push_back(static_cast<int>(SendMessageA(
                                                    list, LVM_GETCOLUMNWIDTH, c, 0)));
                                            }
                                            GuiTest::ClickButton(window, IDCANCEL);
                                        }}});
        view.ShowModal(nullptr);
        EXPECT_TRUE(script.Done());
        if (const int dpi = GuiTest::ExpectedDpi()) {
            EXPECT_EQ(listDpi, dpi);
        }
        HWND screen = GetDesktopWindow();
        HDC dc = GetDC(screen);
        HGDIOBJ old = SelectObject(dc, listFont);
        for (size_t c = 0; c < emptyCaptions.size(); ++c) {
            SIZE extent{};
            GetTextExtentPoint32A(dc, emptyCaptions[c].c_str(),
                                  static_cast<int>(emptyCaptions[c].size()), &extent);
            // The header draws its text between margins of about six pixels.
            EXPECT_GE(emptyWidths[c], extent.cx + 12) << emptyCaptions[c];
        }
        SelectObject(dc, old);
        ReleaseDC(screen, dc);
    }

    ASSERT_TRUE(history.Append({Mail("2026/12/01 10:00:00", "b", "900")}));
    ASSERT_TRUE(history.Append({Mail("2026/12/02 10:00:00", "a", "12000")}));
    ASSERT_TRUE(history.Append({Mail("2026/12/03 10:00:00", "c", "1200")}));
    // A copy of "b", kept a minute before its deletion.
    const std::string copies = folder + "\\Deleted", account = copies + "\\仕事";
    CreateDirectoryA(copies.c_str(), nullptr);
    CreateDirectoryA(account.c_str(), nullptr);
    const std::string copy = account + "\\20261201-095900-ub.eml";
    FileSystem::WriteWhole(copy, "Subject: b\r\n\r\nbody\r\n");

    using Texts = std::vector<std::string>;
    std::vector<Texts> orders;
    int widthBefore = 0, widthAfter = 0;
    TDeleteHistoryView view(folder);
    GuiTest::TDialogScript script(
        {{"削除履歴",
          [&](HWND window) {
              HWND list = GetDlgItem(window, TDeleteHistoryView::IdList);
              orders.push_back(Subjects(list));
              for (int column : {SubjectColumn, SubjectColumn, 7}) {
                  ClickColumn(window, column);
                  orders.push_back(Subjects(list));
              }
              RECT bounds;
              GetWindowRect(list, &bounds);
              widthBefore = bounds.right - bounds.left;
              GetWindowRect(window, &bounds);
              SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left + 200,
                           bounds.bottom - bounds.top + 100, SWP_NOMOVE | SWP_NOZORDER);
              GetWindowRect(list, &bounds);
              widthAfter = bounds.right - bounds.left;
              // The row of "b" focused, then Enter in the list.
              LVITEMA focus{};
              focus.stateMask = focus.state = LVIS_FOCUSED | LVIS_SELECTED;
              SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
              SetFocus(list);
              PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
          }},
         {"情報", [](HWND box) { GuiTest::ClickButton(box, IDOK); }},
         {"削除履歴", [](HWND window) { GuiTest::ClickButton(window, IDCANCEL); }}});
    view.ShowModal(nullptr);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected, Texts{});
    EXPECT_EQ(orders, (std::vector<Texts>{{"c", "a", "b"}, {"a", "b", "c"}, {"c", "b", "a"},
                                          {"b", "c", "a"}}));
    EXPECT_EQ(widthAfter, widthBefore + 200);
    ASSERT_EQ(script.Texts.size(), 3u);
    EXPECT_NE(script.Texts[1].find("開くプログラムがありません"), std::string::npos)
        << script.Texts[1];
    EXPECT_NE(script.Texts[1].find("ub.eml"), std::string::npos) << script.Texts[1];
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(account.c_str());
    RemoveDirectoryA(copies.c_str());
    DeleteFileA(history.Path().c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
