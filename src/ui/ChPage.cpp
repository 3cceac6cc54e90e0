#include "ui/ChPage.h"

#include "app/PruneboxM.h"

TChPage::TChPage(TPruneboxM& main, int index) : Main(main), Index(index) {
    TabSheet = std::make_unique<TTabSheet>(Main.MainPage, index);
    Frame = std::make_unique<TMainFrame>(*this, TabSheet->Handle, index);
}

TChPage::~TChPage() {
    Command = CommandNone;
    Frame.reset();
    TabSheet.reset();
}

void TChPage::SetIndex(int index) {
    Index = index;
    TabSheet->Tag = index;
    Frame->Tag = index;
}

void TChPage::ArrangePage() {
    Main.MainPage.Resized();
    RECT sheet;
    GetClientRect(TabSheet->Handle, &sheet);
    const int width = sheet.right, height = sheet.bottom;
    SetWindowPos(Frame->Handle, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    const bool extended = Main.ExtendedView;
    ShowWindow(Frame->KvPanel1.Handle, extended ? SW_SHOW : SW_HIDE);
    ShowWindow(Frame->KvPanel2.Handle, extended ? SW_SHOW : SW_HIDE);
    if (extended) {
        SetWindowPos(Frame->MailView, nullptr, 8, 58, width - 16, height - 140,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RECT panel;
        GetWindowRect(Frame->KvPanel1.Handle, &panel);
        SetWindowPos(Frame->KvPanel1.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     height - 70, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
        GetWindowRect(Frame->KvPanel2.Handle, &panel);
        MapWindowPoints(nullptr, Frame->Handle, reinterpret_cast<POINT*>(&panel), 2);
        SetWindowPos(Frame->KvPanel2.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     panel.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    } else {
        RECT bar;
        GetWindowRect(Frame->StatusBar1, &bar);
        SetWindowPos(Frame->MailView, nullptr, 0, 0, width, height - (bar.bottom - bar.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Frame->SetStatusWidths();
}

void TChPage::RunCommand(int command) {
    Command = command;
}
