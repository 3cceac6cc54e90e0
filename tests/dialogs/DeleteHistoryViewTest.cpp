#include "dialogs/DeleteHistoryView.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DialogScript.h"
#include "GuiTest.h"
#include "history/CsvText.h"

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

TDeletedMail Mail(const std::string& at, const std::string& subject) {
    return {at,      "仕事", "自動",       "Subject:,未承諾広告", "", "a@example.com",
            subject, "1200", "u" + subject, ""};
}

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
              for (int r = 0; r < rows; ++r) subjects.push_back(CellText(list, r, 6));
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
    EXPECT_EQ(columns, CsvText::Parse(TDeleteHistory::HeaderLine).front());
    EXPECT_EQ(subjects, (std::vector<std::string>{"three", "two, too", "one"}));
    EXPECT_EQ(copied,
              CsvText::Record({"2026/12/02 08:30:00", "仕事", "自動", "Subject:,未承諾広告", "",
                               "a@example.com", "three", "1200", "uthree", ""}) +
                  CsvText::Record({"2026/12/01 10:00:00", "仕事", "自動", "Subject:,未承諾広告", "",
                                   "a@example.com", "one", "1200", "uone", ""}));
    DeleteFileA(history.Path().c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
