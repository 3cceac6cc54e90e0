#pragma once
#include <windows.h>

#include <string>

#include "GuiTest.h"
#include "app/PruneboxM.h"
#include "choices/ChoiceFile.h"
#include "history/FileSystem.h"

// The tests' own settings key, emptied before each start.
inline const char* const TestRegistryBase = "\\Software\\Korvane\\PruneboxWindowTest";
inline void ClearTestSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, TestRegistryBase + 1); }
// The hand ticks earlier tests recorded for their accounts, which share names and mail.
inline void ClearTestChoices() {
    const std::string folder =
        FileSystem::JoinPath(FileSystem::ProgramDataFolder(), TChoiceFile::FolderName);
    for (const FileSystem::TEntry& entry : FileSystem::ListFolder(folder))
        FileSystem::RemoveFile(FileSystem::JoinPath(folder, entry.Name));
}

// A started main window with `accounts` extra pages captioned "  Account<slot>", shown before
// the "新規" tab as after a start, the first tab active.
struct TStarted {
    TPruneboxM Main;
    bool Closed = false;
    explicit TStarted(int accounts = 0, TTabPosition position = TTabPosition::Top,
                      bool clearSettings = true) {
        if (clearSettings) {
            ClearTestSettings();
            ClearTestChoices();
        }
        Main.RegistryBase = TestRegistryBase;
        Main.TabPosition = position;
        Main.OnClosed = [this] { Closed = true; };
        Main.Create();
        for (int i = 0; i < accounts; ++i) AddAccount();
        if (accounts > 0) Main.MainPage.SelectIndex(0, true);
        ShowWindow(Main.Handle, SW_SHOWNORMAL);
        GuiTest::PumpPending();
    }
    TChPage* AddAccount() {
        TChPage* page = Main.Accounts.AddPage();
        if (!page) return nullptr;
        page->KeyName = "Account" + std::to_string(page->Index);
        page->TabSheet->SetCaption("  " + page->KeyName);
        Main.Accounts.SetPageCount(Main.Accounts.PageCount + 1);
        Main.MainPage.MoveSheet(Main.Accounts.Pages[0]->TabSheet.get(), Main.MainPage.SheetCount() - 1);
        return page;
    }
};
