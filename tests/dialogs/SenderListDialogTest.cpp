// The sender-list dialog over a started main window, on the real registry under Wine.
#include <gtest/gtest.h>

#include <cstdio>

#include "DialogScript.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "app/MainCommands.h"
#include "dialogs/SenderListDialog.h"
#include "settings/SenderStore.h"
#include "settings/WinRegistry.h"

namespace {

using GuiTest::ClickButton;
using GuiTest::SendCommand;
using GuiTest::SetText;
using GuiTest::TDialogScript;
using GuiTest::TScriptStep;
using D = TSenderListDialog;

const char* const Caption = "差出人リスト";

std::vector<std::string> Shown(HWND dialog, int listId) {
    HWND list = GuiTest::FindControl(dialog, listId);
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

TSenderLists Stored() {
    TWinRegistry registry(TestRegistryBase);
    return TSenderStore(registry).Load();
}

void Store(const TSenderLists& lists) {
    TWinRegistry registry(TestRegistryBase);
    ASSERT_TRUE(TSenderStore(registry).Save(lists));
}

// Opens the dialog from the menu and runs the steps, the last of which must close it; the first
// texts of the dialogs met.
std::vector<std::string> OpenDialog(TStarted& started, std::vector<TScriptStep> steps) {
    TDialogScript script(std::move(steps));
    SendMessageA(started.Main.Handle, WM_COMMAND, TMainCommands::IdMenuSetSenders, 0);
    EXPECT_TRUE(script.Done()) << "steps left";
    EXPECT_EQ(script.Unexpected, std::vector<std::string>{});
    return script.Texts;
}

TEST(SenderListDialogTest, AddsAValidEntryRefusesAMalformedOneAndOkStoresBothLists) {
    TStarted started;
    Store({{}, {"spam.example", "old.example"}});
    std::vector<std::string> shownBlock, allowAfter, blockAfter;
    const std::vector<std::string> texts =
        OpenDialog(started, {{Caption,
                              [&](HWND dialog) {
                                  shownBlock = Shown(dialog, D::IdBlockList);
                                  SetText(dialog, D::IdAllowEdit, " Taro@Example.JP ");
                                  SendCommand(dialog, D::IdAllowAdd);
                                  SetText(dialog, D::IdBlockEdit, "*.bad.example");
                                  ClickButton(dialog, D::IdBlockAdd);
                              }},
                             {"エラー", [](HWND box) { ClickButton(box, IDOK); }},
                             {Caption, [&](HWND dialog) {
                                  // The refused text stays for mending; the second stored entry
                                  // goes.
                                  EXPECT_EQ(GuiTest::Text(dialog, D::IdBlockEdit), "*.bad.example");
                                  SendMessageA(GuiTest::FindControl(dialog, D::IdBlockList),
                                               LB_SETSEL, TRUE, 1);
                                  SendCommand(dialog, D::IdBlockRemove);
                                  allowAfter = Shown(dialog, D::IdAllowList);
                                  blockAfter = Shown(dialog, D::IdBlockList);
                                  SetText(dialog, D::IdBlockEdit, "");
                                  ClickButton(dialog, D::IdOKButton);
                              }}});
    EXPECT_EQ(shownBlock, (std::vector<std::string>{"spam.example", "old.example"}));
    EXPECT_NE(texts[1].find("*.bad.example"), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("ワイルドカード"), std::string::npos) << texts[1];
    EXPECT_EQ(allowAfter, std::vector<std::string>{"taro@example.jp"});
    EXPECT_EQ(blockAfter, std::vector<std::string>{"spam.example"});
    const TSenderLists stored = Stored();
    EXPECT_EQ(stored.Allow, allowAfter);
    EXPECT_EQ(stored.Block, blockAfter);
}

TEST(SenderListDialogTest, EnterInAFieldAddsAndCancelLeavesTheStoredLists) {
    TStarted started;
    Store({{"keep.example"}, {}});
    std::vector<std::string> shown;
    OpenDialog(started, {{Caption, [&](HWND dialog) {
                              SetText(dialog, D::IdAllowEdit, "new.example");
                              SetFocus(GuiTest::FindControl(dialog, D::IdAllowEdit));
                              SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                              shown = Shown(dialog, D::IdAllowList);
                              ClickButton(dialog, D::IdCancelButton);
                          }}});
    EXPECT_EQ(shown, (std::vector<std::string>{"keep.example", "new.example"}));
    EXPECT_EQ(Stored().Allow, std::vector<std::string>{"keep.example"});
}

// OK adds what is typed in either field, or refuses it and stays open; Delete in a list removes
// its chosen entries; the buttons have access keys.
TEST(SenderListDialogTest, OkAddsTypedSendersAndDeleteRemovesTheChosenEntry) {
    TStarted started;
    Store({{"keep.example", "gone.example"}, {}});
    std::vector<std::string> afterDelete;
    const std::vector<std::string> texts =
        OpenDialog(started, {{Caption,
                              [&](HWND dialog) {
                                  HWND allow = GuiTest::FindControl(dialog, D::IdAllowList);
                                  SendMessageA(allow, LB_SETSEL, TRUE, 1);
                                  SendMessageA(allow, WM_KEYDOWN, VK_DELETE, 0);
                                  afterDelete = Shown(dialog, D::IdAllowList);
                                  // The block list's 追加 by its access key.
                                  SetText(dialog, D::IdBlockEdit, "key.example");
                                  MSG key{};
                                  key.hwnd = GetFocus();
                                  key.message = WM_SYSCHAR;
                                  key.wParam = 'B';
                                  key.lParam = 1 << 29;  // Alt held
                                  IsDialogMessageA(dialog, &key);
                                  SetText(dialog, D::IdAllowEdit, "typed.example");
                                  SetText(dialog, D::IdBlockEdit, "*.bad.example");
                                  ClickButton(dialog, D::IdOKButton);
                              }},
                             {"エラー", [](HWND box) { ClickButton(box, IDOK); }},
                             {Caption, [&](HWND dialog) {
                                  SetText(dialog, D::IdBlockEdit, "Bad.Example");
                                  ClickButton(dialog, D::IdOKButton);
                              }}});
    EXPECT_EQ(afterDelete, std::vector<std::string>{"keep.example"});
    EXPECT_NE(texts[1].find("*.bad.example"), std::string::npos) << texts[1];
    const TSenderLists stored = Stored();
    EXPECT_EQ(stored.Allow, (std::vector<std::string>{"keep.example", "typed.example"}));
    EXPECT_EQ(stored.Block, (std::vector<std::string>{"key.example", "bad.example"}));
}

// Export writes one entry a line; import adds what is new and names the lines it refused.
TEST(SenderListDialogTest, ExportAndImportThroughTheFileDialogs) {
    TStarted started;
    Store({{"a.example", "b@c.example"}, {"x.example"}});
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    const std::string exported = std::string(folder) + "pb-senders-out.txt";
    const std::string imported = std::string(folder) + "pb-senders-in.txt";
    DeleteFileA(exported.c_str());
    {
        std::FILE* file = std::fopen(imported.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("\xEF\xBB\xBFx.example\r\nNew.Example\r\n\r\nbad example\r\n", file);
        std::fclose(file);
    }
    auto chooseFile = [](const std::string& path) {
        return [path](HWND fileDialog) {
            // The file name field and the button of the common file dialog itself (its list
            // holds controls of the same ids).
            SetWindowTextA(GetDlgItem(fileDialog, 0x47C), path.c_str());
            PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
        };
    };
    std::vector<std::string> blockAfter;
    const std::vector<std::string> texts =
        OpenDialog(started, {{Caption, [](HWND dialog) { ClickButton(dialog, D::IdAllowExport); }},
                             {"名前を付けて保存", chooseFile(exported)},
                             {Caption, [](HWND dialog) { ClickButton(dialog, D::IdBlockImport); }},
                             {"開く", chooseFile(imported)},
                             {"警告", [](HWND box) { ClickButton(box, IDOK); }},
                             {Caption, [&](HWND dialog) {
                                  blockAfter = Shown(dialog, D::IdBlockList);
                                  ClickButton(dialog, D::IdCancelButton);
                              }}});
    std::string bytes;
    if (std::FILE* file = std::fopen(exported.c_str(), "rb")) {
        char buffer[256];
        bytes.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }
    EXPECT_EQ(bytes, "a.example\r\nb@c.example\r\n");
    EXPECT_EQ(blockAfter, (std::vector<std::string>{"x.example", "new.example"}));
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_NE(texts[4].find("1 件を追加しました"), std::string::npos) << texts[4];
    EXPECT_NE(texts[4].find("4行目"), std::string::npos) << texts[4];
    DeleteFileA(exported.c_str());
    DeleteFileA(imported.c_str());
}

}  // namespace
