// The learning dialog over a started main window under Wine: a folder of .eml files with a
// broken one among them is learned, the broken one named; a reset asks first; OK stores the
// percent.
#include <gtest/gtest.h>

#include <filesystem>

#include "DialogScript.h"
#include "GuiTest.h"
#include "StartedMain.h"
#include "app/MainCommands.h"
#include "dialogs/LearnDialog.h"
#include "history/FileSystem.h"
#include "settings/SetupStore.h"
#include "settings/WinRegistry.h"

namespace {

using GuiTest::ClickButton;
using GuiTest::SetText;
using GuiTest::TDialogScript;
using D = TLearnDialog;

const char* const Caption = "学習";

std::string Counts(HWND dialog) { return GuiTest::Text(dialog, D::IdCounts); }

TEST(LearnDialogTest, ImportsAFolderNamingTheBrokenFileResetsAfterAskingAndOkStoresThePercent) {
    TStarted started;
    const std::string folder = "learn-dialog-mail";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    // Each header of its own: the same header is learned once.
    for (const std::string word : {"watches", "pills", "loans"})
        ASSERT_TRUE(FileSystem::WriteWhole(FileSystem::JoinPath(folder, word + ".eml"),
                                           "Subject: cheap " + word +
                                               "\r\nFrom: shop@spam.example\r\n\r\nbody\r\n"));
    ASSERT_TRUE(FileSystem::WriteWhole(FileSystem::JoinPath(folder, "broken.eml"), ""));
    std::shared_ptr<TLearner> learner = started.Main.Learner();
    ASSERT_TRUE(learner);
    learner->Reset();
    learner->Wait();

    std::string before, afterImport, afterReset;
    TDialogScript script({
        {Caption,
         [&](HWND dialog) {
             before = Counts(dialog);
             auto* object = dynamic_cast<TLearnDialog*>(TWindow::FromHandle(dialog));
             ASSERT_TRUE(object);
             object->StartImport(folder, true);  // what the file dialog's choice starts
         }},
        {"警告",
         [&](HWND box) {
             EXPECT_EQ(learner->UnwantedCount(), 3u);
             ClickButton(box, IDOK);
         }},
        {Caption,
         [&](HWND dialog) {
             afterImport = Counts(dialog);
             ClickButton(dialog, D::IdReset);
         }},
        {"確認", [](HWND box) { ClickButton(box, IDYES); }},
        {Caption,
         [&](HWND dialog) {
             afterReset = Counts(dialog);
             SetText(dialog, D::IdThreshold, "101");
             ClickButton(dialog, D::IdOKButton);
         }},
        {"エラー", [](HWND box) { ClickButton(box, IDOK); }},
        {Caption,
         [&](HWND dialog) {
             SetText(dialog, D::IdThreshold, "80");
             ClickButton(dialog, D::IdOKButton);
         }},
    });
    SendMessageA(started.Main.Handle, WM_COMMAND, TMainCommands::IdMenuSetLearn, 0);
    EXPECT_TRUE(script.Done()) << "steps left";
    EXPECT_EQ(script.Unexpected, std::vector<std::string>{});
    ASSERT_GE(script.Texts.size(), 2u);
    // The warning names the file that could not be read and counts what was learned.
    EXPECT_NE(script.Texts[1].find("3 通"), std::string::npos) << script.Texts[1];
    EXPECT_NE(script.Texts[1].find("broken.eml"), std::string::npos) << script.Texts[1];
    EXPECT_NE(before.find("迷惑メール 0 通"), std::string::npos) << before;
    EXPECT_NE(afterImport.find("迷惑メール 3 通"), std::string::npos) << afterImport;
    EXPECT_NE(afterReset.find("迷惑メール 0 通"), std::string::npos) << afterReset;
    EXPECT_EQ(learner->UnwantedCount(), 0u);
    EXPECT_EQ(started.Main.LearnThreshold(), 80);
    TWinRegistry registry(TestRegistryBase);
    EXPECT_EQ(TSetupStore(registry).LoadLearnThreshold(), 80);
    std::filesystem::remove_all(folder);
}

}  // namespace
