// Pictures for the README: the main window with the demo mailbox listed, the account dialog, the
// header viewer, the deletion history and the icon's menu, each saved as a 24-bit BMP of the
// window as it shows on the screen.
//
//     ScreenshotTour.exe OUTDIR
//
// Runs the real main window on the stored settings (scripts/screenshots gives it a throwaway
// prefix whose only account is the demo account), connects, and opens the two dialogs through
// the commands a user would choose.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "DialogScript.h"
#include "GuiTest.h"
#include "app/PruneboxM.h"
#include "app/TrayMenu.h"
#include "dialogs/ASetup.h"
#include "dialogs/DeleteHistoryView.h"
#include "dialogs/MailForm.h"
#include "history/DeleteHistory.h"
#include "history/FileSystem.h"

namespace {

// Shows everything drawn so far, then copies the window's rectangle from the screen.
bool SaveWindowBitmap(HWND window, const std::string& path) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine hands what it drew to the X server while the thread waits for messages.
    GuiTest::PumpUntil([] { return false; }, 500);
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    bool saved = false;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                std::fwrite(bits, imageSize, 1, out) == 1;
        std::fclose(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s %s (%ld,%ld %dx%d)\n", saved ? "saved" : "FAILED", path.c_str(), rect.left,
                rect.top, width, height);
    return saved;
}

bool Idle(TChPage& page) {
    return IsWindowEnabled(page.Frame->KvPanel1.Handle) && !page.Worker->Busy();
}

// A few deletions of the demo mailbox as the history records them.
bool WriteDemoHistory(const std::string& folder) {
    const struct {
        const char* Method;
        const char* Reason;
        const char* Sender;
        const char* Subject;
    } lines[] = {
        {TDeleteHistory::Automatic, "Subject:,未承諾広告", "通販センター", "未承諾広告※今だけ半額"},
        {TDeleteHistory::Automatic, "認証失敗: dmarc=fail", "カード会員サービス",
         "【重要】ご利用確認のお願い"},
        {TDeleteHistory::ByHand, TDeleteHistory::ReasonByHand, "旧メールマガジン",
         "配信停止のお知らせ"},
    };
    std::vector<TDeletedMail> mails;
    int n = 0;
    for (const auto& line : lines) {
        TDeletedMail mail;
        mail.DeletedAt = "2026/12/08 09:1" + std::to_string(n) + ":00";
        mail.Account = "デモ";
        mail.Method = line.Method;
        mail.Reason = line.Reason;
        mail.SentAt = "2026/12/08 08:5" + std::to_string(n) + ":00";
        mail.Sender = line.Sender;
        mail.Subject = line.Subject;
        mail.Size = std::to_string(2100 + 317 * n);
        mail.Uidl = "demo-" + std::to_string(++n);
        mails.push_back(mail);
    }
    return TDeleteHistory(folder).Append(mails);
}

// The popup menu on the screen: the topmost menu window of this thread.
HWND ShownMenu() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) {
            char name[16] = "";
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) != "#32768" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int MenuFailures = 0;
std::string MenuPath;

// Runs inside the menu's own loop: the picture, then the menu closes.
void CALLBACK SaveMenu(HWND owner, UINT, UINT_PTR id, DWORD) {
    HWND menu = ShownMenu();
    if (!menu) return;  // not drawn yet: the next tick
    KillTimer(owner, id);
    MenuFailures += !SaveWindowBitmap(menu, MenuPath);
    EndMenu();
}

void SelectOnly(HWND list, int row) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ScreenshotTour OUTDIR\n");
        return 2;
    }
    const std::string out = std::string(argv[1]) + "\\";
    int failures = 0;

    TPruneboxM main;
    main.Create();
    // Wholly on the desktop, also at 150 %: the picture is copied from the screen.
    SetWindowPos(main.Handle, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(main.Handle, SW_SHOWNORMAL);
    UpdateWindow(main.Handle);
    GuiTest::PumpPending();
    if (main.Accounts.PageCount < 2) {
        std::fprintf(stderr, "no account to show\n");
        return 1;
    }
    // The first tab: the demo account.
    main.MainPage.SelectIndex(0, true);
    TChPage& page = *main.Accounts.Pages[main.ActiveSlot()];
    TMainFrame& frame = *page.Frame;

    // Connect and list; the demo rules tick the unsolicited mail.
    SendMessageA(frame.Logon, BM_CLICK, 0, 0);
    if (!GuiTest::PumpUntil([&] { return Idle(page) && frame.RowCount() > 0; }, 60000)) {
        std::fprintf(stderr, "the demo mailbox was not listed: %s\n",
                     frame.StatusBar1.Text(0).c_str());
        return 1;
    }
    // The newest mail last: web mail, phones and adverts in UTF-8, Shift_JIS, EUC-JP and Q words.
    SendMessageA(frame.MailView, LVM_ENSUREVISIBLE, frame.RowCount() - 1, FALSE);
    GuiTest::PumpPending();
    failures += !SaveWindowBitmap(main.Handle, out + "main-window.bmp");

    // The account dialog in its extended view, as the header viewer's rule command opens it.
    {
        GuiTest::TDialogScript script({{"アカウントの設定", [&](HWND dialog) {
                                            failures += !SaveWindowBitmap(
                                                dialog, out + "account-dialog.bmp");
                                            GuiTest::ClickButton(dialog, TASetup::IdCanButton);
                                        }}});
        TASetup setup(main.Accounts, *main.Registry, main.ActiveSlot());
        setup.SetBasicView(false);
        setup.NewAccount = false;
        setup.Caption = "アカウントの設定";
        setup.ShowModal();
        failures += !script.Done();
    }

    // The header viewer of a mail with a Japanese subject and a long header.
    int row = 0;
    for (int i = 0; i < frame.RowCount(); ++i) {
        if (frame.CellText(i, 0).find("会議") != std::string::npos) row = i;
    }
    const std::string caption = "ヘッダの表示　-　" + frame.CellText(row, 0);
    {
        GuiTest::TDialogScript script(
            {{caption, [&](HWND viewer) {
                  HWND list = GetDlgItem(viewer, TMailForm::IdHeadListBox);
                  const int lines = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
                  SendMessageA(list, LB_SETCURSEL, lines - 1, 0);
                  failures += !SaveWindowBitmap(viewer, out + "header-viewer.bmp");
                  PostMessageA(viewer, WM_COMMAND, IDCANCEL, 0);
              }}});
        SelectOnly(frame.MailView, row);
        frame.MailViewDblClick();
        GuiTest::PumpUntil([&] { return script.Done() && Idle(page); }, 30000);
        failures += !script.Done();
    }

    // The deletion history, as 表示 > 削除履歴 opens it.
    {
        const std::string folder = FileSystem::ProgramDataFolder();
        if (folder.empty() || !WriteDemoHistory(folder)) {
            std::fprintf(stderr, "no deletion history to show\n");
            ++failures;
        } else {
            GuiTest::TDialogScript script({{"削除履歴", [&](HWND view) {
                                                failures += !SaveWindowBitmap(
                                                    view, out + "history-window.bmp");
                                                PostMessageA(view, WM_COMMAND, IDCANCEL, 0);
                                            }}});
            TDeleteHistoryView(folder).ShowModal(main.Handle);
            failures += !script.Done();
        }
    }

    // The icon's menu, opened where a right click on the icon would open it.
    {
        MenuPath = out + "tray-menu.bmp";
        RECT work;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        SetTimer(main.Handle, 1, 200, SaveMenu);
        HMENU menu = TrayMenu::Create();
        TrayMenu::Track(main.Handle, menu, POINT{work.right - 40, work.bottom - 10});
        DestroyMenu(menu);
        KillTimer(main.Handle, 1);
        failures += MenuFailures;
        failures += !FileSystem::Exists(MenuPath);
    }

    // Leave the server as it was: disconnect without deleting.
    SendMessageA(frame.Kill, BM_CLICK, 0, 0);
    GuiTest::PumpUntil([&] { return Idle(page); }, 30000);
    SendMessageA(main.Handle, WM_CLOSE, 0, 0);
    GuiTest::PumpPending();
    return failures == 0 ? 0 : 1;
}
