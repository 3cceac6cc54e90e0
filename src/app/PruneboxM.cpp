#include "app/PruneboxM.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/MainCommands.h"
#include "app/PeriodicChecks.h"
#include "auth/DpapiBox.h"
#include "dialogs/MailForm.h"
#include "headers/SjisText.h"
#include "history/CopyFolder.h"
#include "history/FileSystem.h"
#include "page/MainFrame.h"
#include "rules/SenderList.h"
#include "settings/AccountFields.h"
#include "settings/AccountStore.h"
#include "settings/SenderStore.h"
#include "settings/WinRegistry.h"
#include "ui/Dpi.h"
#include "ui/InputBox.h"
#include "ui/MsgDlg.h"
#include "ui/ResStrings.h"
#include "ui/ScreenBounds.h"
#include "ui/TabSheet.h"
#include "ui/UiFont.h"
#include "ui/WindowMessages.h"

TPruneboxM* PruneboxM = nullptr;

namespace {

constexpr int IdToolBar = 1, IdMainPage = 2;
constexpr int DesignWidth = 592, DesignHeight = 394;
constexpr int MinTrackWidth = 604, MinTrackHeight = 190;
constexpr int BevelHeight = 2, ToolBarHeight = 26;
// How far a selected tab reaches beyond its item rectangle.
constexpr int SelectedTabGrowth = 4;

const char* const Caption = "Prunebox  -サーバ上でメールを選択削除-";
const char* const LampNames[TChPage::LampCount] = {"BLUE", "GREEN", "RED", "YELLOW"};

}  // namespace

TPruneboxM::TPruneboxM() = default;

TPruneboxM::~TPruneboxM() {
    Checks.reset();
    Accounts.Clear();
    if (Handle) DestroyWindow(Handle);
    for (HBITMAP image : LedImages) {
        if (image) DeleteObject(image);
    }
    if (ListFont) DeleteObject(ListFont);
    if (PruneboxM == this) PruneboxM = nullptr;
}

void TPruneboxM::Create() {
    PruneboxM = this;
    UiThreadId = GetCurrentThreadId();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterWindowClass(ClassName, GetSysColorBrush(COLOR_BTNFACE));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    // The system's DPI until the window is on its monitor.
    const SIZE design = Dpi::Scale(SIZE{DesignWidth, DesignHeight}, Dpi::Of(nullptr));
    CreateHandle(ClassName, Caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT,
                 CW_USEDEFAULT, design.cx, design.cy, nullptr);
    SendMessageA(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont::Form(MadeForDpi())), FALSE);
    FormCreate();
}

void TPruneboxM::FormCreate() {
    Accounts.Clear();
    MessageHook = SetWindowsHookExA(WH_GETMESSAGE, AppMessage, nullptr, UiThreadId);
    AddSystemMenuItems();
    DeleteFileA(LoadResString(S_LOG_FILE).c_str());
    Registry = std::make_unique<TWinRegistry>(RegistryBase);
    TSetupStore(*Registry).CheckSettingsVersion();
    LoadLedImages();
    LoadWindowSettings();

    Bevel1 = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 0,
                             BevelHeight, Handle, nullptr, GetModuleHandleA(nullptr), nullptr);
    ToolBar1 = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN,
                               0, BevelHeight, 0, ToolBarHeight, Handle,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdToolBar)),
                               GetModuleHandleA(nullptr), nullptr);
    SendMessageA(ToolBar1, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    Bevel2 = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_ETCHEDHORZ, 0, 0, 0, BevelHeight,
                             Handle, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(ToolBar1, ToolBarVisible ? SW_SHOW : SW_HIDE);
    ShowWindow(Bevel2, ToolBarVisible ? SW_SHOW : SW_HIDE);
    Commands =
        std::make_unique<TMainCommands>(*this, Handle, Accounts, MainPage, ToolBar1, *Registry);
    MainPage.Create(Handle, IdMainPage, LedTabs, TabPosition);
    MainPage.OnChange = [this] { MainPageChange(); };
    FormResize();

    // Before the pages: their first command may need it.
    LearnPercent = TSetupStore(*Registry).LoadLearnThreshold();
    SharedLearner = std::make_shared<TLearner>(FileSystem::ProgramDataFolder());
    LoadAccounts();
    ApplyListSettings();
    FormResize();

    Resident = TSetupStore(*Registry).LoadResidentSettings();
    if (Resident.Tray) Tray.Show(Handle, WM_PB_TRAY);
    UpdateTray();
    RemoveExpiredCopies();
    Checks = std::make_unique<TPeriodicChecks>(Accounts, Handle);
    // A damaged model was set aside: the user learns why ticks by learning start over.
    const std::string problem = SharedLearner->TakeProblem();
    if (!problem.empty()) MessageDlgCenter(Handle, problem, TMsgDlgType::Warning, mbOK, 0);
}

void TPruneboxM::RemoveExpiredCopies() {
    const int64_t now = static_cast<int64_t>(time(nullptr));
    if (!TCopyFolder::CleanupDue(now, LastCopyCleanup)) return;
    LastCopyCleanup = now;
    TCopyFolder(FileSystem::ProgramDataFolder()).RemoveExpired(now);
}

void TPruneboxM::SetLearnThreshold(int percent) {
    LearnPercent = percent;
    if (Registry) TSetupStore(*Registry).SaveLearnThreshold(percent);
}

void TPruneboxM::SetResidentSettings(const TResidentSettings& settings) {
    Resident = settings;
    if (Registry) TSetupStore(*Registry).SaveResidentSettings(settings);
    if (!settings.Tray) {
        Tray.Hide();
        // Nothing would bring a hidden window back.
        if (!IsWindowVisible(Handle)) ShowFromTray();
    } else if (!Tray.Icon.Wanted()) {
        Tray.Show(Handle, WM_PB_TRAY);
    }
}

void TPruneboxM::UpdateTray() {
    std::vector<TTrayAccount> accounts;
    for (int slot = 1; slot < Accounts.PageCount; ++slot) {
        const TChPage* page = Accounts.Page(slot);
        if (!page) continue;
        accounts.push_back({page->TabSheet->Caption(),
                            page->Frame->RowCount() - page->Frame->SelectedCount(),
                            Checks && Checks->Failed(page->KeyName),
                            Checks && Checks->SignInNeeded(page->KeyName)});
    }
    Tray.Icon.Update(accounts);
}

void TPruneboxM::ShowFromTray() {
    ShowWindow(Handle, IsIconic(Handle) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Handle);
}

void TPruneboxM::HideBehindIcon() {
    ShowWindow(Handle, SW_HIDE);
    // The first time only: a window that simply vanished would look closed.
    if (Resident.HintShown || !Tray.ShowHiddenHint()) return;
    Resident.HintShown = true;
    if (Registry) TSetupStore(*Registry).SaveResidentSettings(Resident);
}

void TPruneboxM::TrayCheckAll() {
    if (Checks) Checks->CheckAll();
}

void TPruneboxM::LoadWindowSettings() {
    // Sizes are stored at 96 DPI, the position in pixels; the defaults centre the window.
    const int dpi = Dpi::Of(Handle);
    TStartupSettings settings =
        TSetupStore(*Registry).LoadWindowSettings(Dpi::Unscale(GetSystemMetrics(SM_CXSCREEN), dpi),
                                                  Dpi::Unscale(GetSystemMetrics(SM_CYSCREEN), dpi));
    const TWindowSettings& window = settings.Window;
    const POINT at = settings.FromStore
                         ? POINT{window.Left, window.Top}
                         : POINT{Dpi::Scale(window.Left, dpi), Dpi::Scale(window.Top, dpi)};
    const SIZE size = Dpi::Scale(SIZE{window.Width, window.Height}, dpi);
    // A position saved on a monitor that is gone would hide the window.
    const RECT bounds = BroughtOnScreen(RECT{at.x, at.y, at.x + size.cx, at.y + size.cy});
    SetWindowPos(Handle, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ExtendedView = window.Small;
    ToolBarVisible = window.ToolBar;
    if (settings.FromStore)
        TabPosition =
            window.TabPosition == kTabsAtBottom ? TTabPosition::Bottom : TTabPosition::Top;
    MailerCommand = settings.MailerCommand;
    LedTabs = LedTabs && settings.Led;
}

void TPruneboxM::LoadAccounts() {
    TDpapiBox box;
    TAccountStore store(*Registry, &box);
    std::vector<std::string> names = store.EnumerateAccounts();
    Accounts.SetPageCount(0);
    // The "新規" page: "\Connect" itself is current, so there is nothing to load.
    TChPage* fresh = Accounts.AddPage();
    fresh->KeyName.clear();
    fresh->SetAccountName(LoadResString(S_NEW_TAB));
    Accounts.SetPageCount(Accounts.PageCount + 1);
    for (const std::string& name : names) {
        // More accounts than slots: the rest stay in the registry; AddPage says so.
        if (Accounts.PageCount >= TAccountTable::MaxPages) {
            Accounts.AddPage();
            break;
        }
        store.OpenAccount(name);
        TChPage* page = Accounts.AddPage();
        page->LoadAccount(store.LoadAccount());
        page->KeyName = name;
        Accounts.SetPageCount(Accounts.PageCount + 1);
    }
    MainPage.MoveSheet(fresh->TabSheet.get(), MainPage.SheetCount() - 1);
    MainPage.SelectIndex(TSetupStore(*Registry).LoadActiveItem(MainPage.SheetCount()), false);
}

void TPruneboxM::ApplyListSettings() {
    TListGeometry geometry;
    RECT area = MainPage.DisplayRect();
    // The stored widths and the geometry they are fitted to are at 96 DPI.
    const int dpi = Dpi::Of(Handle);
    geometry.TabClientWidth = Dpi::Unscale(area.right - area.left, dpi);
    geometry.Small = ExtendedView;
    geometry.ScrollBarWidth = Dpi::Unscale(GetSystemMetrics(SM_CXVSCROLL), dpi);
    const TListSettings builtIn;
    HFONT builtInFont =
        UiFont::CreateStyled(builtIn.FontName, builtIn.FontSize, builtIn.FontStyle, dpi);
    geometry.DesignatedWidth = Dpi::Unscale(TMainFrame::DesignatedColumnWidth(builtInFont), dpi);
    DeleteObject(builtInFont);
    ListSettings = TSetupStore(*Registry).LoadListSettings(geometry);
    SetListFont(ListSettings.FontName, ListSettings.FontSize, ListSettings.FontStyle);
    Accounts.SetColumnWidths(ListSettings.ColumnWidths);
}

void TPruneboxM::SetListFont(const std::string& name, int pointSize, int style) {
    ListSettings.FontName = name;
    ListSettings.FontSize = pointSize;
    ListSettings.FontStyle = style;
    HFONT old = ListFont;
    ListFont = UiFont::CreateStyled(name, pointSize, style, Dpi::Of(Handle));
    Accounts.SetListFont(ListFont);
    if (old) DeleteObject(old);
}

void TPruneboxM::SetTabPosition(TTabPosition position) {
    TabPosition = position;
    MainPage.SetTabPosition(position);
    FormResize();
}

TListSettings TPruneboxM::ActiveListSettings() const {
    TListSettings list = ListSettings;
    const int slot = ActiveSlot();
    if (!Accounts.Page(slot)) return list;
    HWND mails = Accounts.Page(slot)->Frame->MailView;
    const int dpi = Dpi::Of(mails);
    for (int column = 0; column < kListColumns; ++column) {
        list.ColumnWidths[column] =
            Dpi::Unscale(static_cast<int>(SendMessageA(mails, LVM_GETCOLUMNWIDTH, column, 0)), dpi);
    }
    return list;
}

void TPruneboxM::SaveWindowSettings() {
    TWindowSettings window;
    // Maximised (by any means) or minimised: the bounds it comes back to.
    const RECT bounds = RestoredBounds(Handle);
    window.Left = bounds.left;
    window.Top = bounds.top;
    const int dpi = Dpi::Of(Handle);
    window.Width = Dpi::Unscale(bounds.right - bounds.left, dpi);
    window.Height = Dpi::Unscale(bounds.bottom - bounds.top, dpi);
    window.Small = ExtendedView;
    window.ToolBar = ToolBarVisible;
    window.TabPosition = TabPosition == TTabPosition::Bottom ? kTabsAtBottom : kTabsOnTop;
    TSetupStore(*Registry).SaveWindowSettings(window, MainPage.ActiveIndex(), ActiveListSettings());
}

void TPruneboxM::AddSystemMenuItems() {
    HMENU menu = GetSystemMenu(Handle, FALSE);
    AppendSystemMenuItem(Handle, menu, MF_SEPARATOR, SysSeparator, nullptr);
    AppendSystemMenuItem(Handle, menu, MF_STRING, SysCenter, "画面中央へ移動(&D)");
}

void TPruneboxM::AppendSystemMenuItem(HWND owner, HMENU menu, UINT flags, UINT id,
                                      const char* caption) {
    if (!AppendMenuA(menu, flags, id, caption)) MessageBoxA(owner, "Error", kApplicationTitle, 0);
}

void TPruneboxM::LoadLedImages() {
    for (int i = 0; i < TChPage::LampCount; ++i) {
        LedImages[i] = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), LampNames[i], IMAGE_BITMAP, 0, 0, 0));
    }
}

void TPruneboxM::RemoveAccount(int slot) {
    TChPage* page = slot >= 1 ? Accounts.Page(slot) : nullptr;
    if (!page) return;
    if (Registry) TAccountStore(*Registry).DeleteAccount(page->KeyName);
    Accounts.Remove(slot);
}

void TPruneboxM::ShowToolBar(bool shown) {
    ToolBarVisible = shown;
    // The tool bar stays above its line.
    if (shown) {
        ShowWindow(Bevel2, SW_SHOW);
        ShowWindow(ToolBar1, SW_SHOW);
    } else {
        ShowWindow(ToolBar1, SW_HIDE);
        ShowWindow(Bevel2, SW_HIDE);
    }
    FormResize();  // also arranges the active page
}

void TPruneboxM::LampChanged(int slot) {
    // The page's tab alone, at the next paint: drawing every tab takes tens of milliseconds
    // under Wine, and the lamps of accounts checked together change together.
    for (int i = 0; MainPage.Handle && i < MainPage.SheetCount(); ++i) {
        if (MainPage.SheetAt(i)->Tag != slot) continue;
        RECT rect = MainPage.TabRect(i);
        InflateRect(&rect, SelectedTabGrowth, SelectedTabGrowth);  // drawn larger when selected
        InvalidateRect(MainPage.Handle, &rect, TRUE);
    }
    // The lamp changes when a listing ends.
    UpdateTray();
}

void TPruneboxM::RedrawTabs() {
    if (!MainPage.Handle) return;
    HDC dc = GetDC(MainPage.Handle);
    const int active = MainPage.ActiveIndex();
    for (int i = MainPage.SheetCount() - 1; i >= 0; --i)
        MainPageDrawTab(dc, i, MainPage.TabRect(i), i == active);
    ReleaseDC(MainPage.Handle, dc);
    InvalidateRect(MainPage.Handle, nullptr, TRUE);
}

void TPruneboxM::MainPageDrawTab(HDC dc, int tabIndex, const RECT& rect, bool active) {
    // A paint of some tabs clips the others away.
    if (!MainPage.OwnerDraw() || !RectVisible(dc, &rect)) return;
    TTabSheet* sheet = MainPage.SheetAt(tabIndex);
    TChPage* shown = sheet ? Accounts.Page(sheet->Tag) : nullptr;
    if (!shown) return;
    TChPage& page = *shown;
    const std::string text = SjisText::Trim(sheet->Caption());

    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(MainPage.Handle, WM_GETFONT, 0, 0)));
    SetTextColor(dc, active ? RGB(0, 0, 255) : GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    HBITMAP lamp = LedImages[page.IndicatorState];

    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    int x = (rect.left + rect.right - extent.cx) / 2 + 6;
    int y = (rect.top + rect.bottom - extent.cy) / 2;
    int bx = active ? rect.left + 1 : rect.left - 3;
    int by = active ? rect.top + 2 : rect.top + 1;
    int lampX, lampY;
    if (MainPage.TabPosition() == TTabPosition::Top) {
        if (!active) y += 2;
        lampX = bx + 5;
        lampY = by + 5;
    } else {
        if (!active) by -= 2;
        y -= 2;
        lampX = bx + 5;
        lampY = by + 3;
    }
    // The fill of the whole tab comes with the clipped text.
    ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &rect, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    if (lamp) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, lamp);
        BITMAP info{};
        GetObjectA(lamp, sizeof info, &info);
        BitBlt(dc, lampX, lampY, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    SelectObject(dc, oldFont);
}

void TPruneboxM::FormResize() {
    RECT client;
    GetClientRect(Handle, &client);
    const int width = client.right;
    int top = 0;
    MoveWindow(Bevel1, 0, top, width, BevelHeight, TRUE);
    top += BevelHeight;
    if (ToolBarVisible) {
        MoveWindow(ToolBar1, 0, top, width, ToolBarHeight, TRUE);
        top += ToolBarHeight;
        MoveWindow(Bevel2, 0, top, width, BevelHeight, TRUE);
        top += BevelHeight;
    }
    if (MainPage.Handle) {
        MoveWindow(MainPage.Handle, 0, top, width, client.bottom - top, TRUE);
        MainPage.Resized();
    }
    if (Accounts.PageCount > 0 && Accounts.Pages[Accounts.PageCount - 1]) {
        if (TChPage* page = Accounts.Page(ActiveSlot())) page->ArrangePage();
    }
}

void TPruneboxM::DpiChanged(int dpi, const RECT& suggested) {
    FollowDpi(dpi, suggested);
    SetListFont(ListSettings.FontName, ListSettings.FontSize, ListSettings.FontStyle);
    FormResize();
}

void TPruneboxM::MainPageChange() {
    if (TChPage* page = Accounts.Page(ActiveSlot())) page->ArrangePage();
}

void TPruneboxM::RememberFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle, focus)) FocusBefore = focus;
}

void TPruneboxM::RestoreFocus() {
    HWND target = FocusBefore;
    // A control gone, disabled, or on a page no longer shown gives way to the active list.
    if (!target || !IsWindow(target) || !IsChild(Handle, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target)) {
        const TChPage* page = Accounts.Page(ActiveSlot());
        target = page ? page->Frame->MailView : nullptr;
    }
    if (target) SetFocus(target);
}

void TPruneboxM::RecordNormalBounds() { GetWindowRect(Handle, &NormalBounds); }

void TPruneboxM::CenterOnDesktop() {
    if (IsZoomed(Handle)) ShowWindow(Handle, SW_RESTORE);
    if (IsIconic(Handle)) ShowWindow(Handle, SW_RESTORE);
    RECT bounds;
    GetWindowRect(Handle, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    SetWindowPos(Handle, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPruneboxM::FormClose() {
    // Nothing is asked and nothing refuses the close; a failed save still tears down.
    Tray.Hide();
    if (Registry) SaveWindowSettings();
    Registry.reset();
    Accounts.Clear();
    for (HBITMAP& image : LedImages) {
        if (image) DeleteObject(image);
        image = nullptr;
    }
    DestroyWindow(Handle);
}

int TPruneboxM::ConfirmDelete(const std::string& text) {
    return MessageDlgCenter(Handle, text, TMsgDlgType::Confirmation, mbOK | mbCancel, 0);
}

void TPruneboxM::ShowHeaderLater(int slot) {
    PostMessageA(Handle, WM_PB_SHOW_HEADER, static_cast<WPARAM>(slot), 0);
}

void TPruneboxM::ShowHeader(int slot) {
    // The lines are those of the page whose worker fetched them, even if another tab has been
    // chosen meanwhile. A page removed since the message was posted shows nothing, nor does the
    // page that has moved into its slot.
    TChPage* page = Accounts.Page(slot);
    if (!page || !page->HeaderPending) return;
    page->HeaderPending = false;
    TMailForm viewer(Accounts, Registry.get(), slot);
    viewer.Caption = LoadResString(S_HEADER_VIEWER) + page->HeaderSubject;
    viewer.ShowModal(Handle);
}

std::string TPruneboxM::AskPassword(const std::string& accountName) {
    std::string answer;
    // The answer is masked like the page's own password field.
    if (!InputQuery(Handle, LoadResString(S_ACCOUNT_NAME) + accountName,
                    LoadResString(S_ENTER_PASSWORD), answer, true))
        answer.clear();
    return answer;
}

void TPruneboxM::CheckEnded(int slot, const TCheckResult& result) {
    const std::string key = Checks ? Checks->Ended(slot, result) : std::string();
    // The rows the check left are on the page by now.
    UpdateTray();
    const TChPage* page = Accounts.Page(slot);
    if (!page) return;
    Tray.CheckEnded(key, page->TabSheet->Caption(), result, Resident.Notify);
}

TSenderLists TPruneboxM::SenderLists() const {
    // Read at each command, so that a list saved meanwhile counts at once.
    return Registry ? TSenderStore(*Registry).Load() : TSenderLists();
}

bool TPruneboxM::AddSender(TSenderListKind list, const std::string& entry) {
    if (!Registry) return false;
    TSenderStore store(*Registry);
    TSenderLists lists = store.Load();
    std::vector<std::string>& entries = list == TSenderListKind::Allow ? lists.Allow : lists.Block;
    // Entries are stored as typed: one already there in another case counts as there.
    const TSenderList known(entries);
    if (std::find(known.Entries().begin(), known.Entries().end(), entry) == known.Entries().end()) {
        entries.push_back(entry);
        if (!store.Save(lists)) return false;
    }
    RulesChanged();
    return true;
}

bool TPruneboxM::RemoveSender(TSenderListKind list, const std::string& entry) {
    if (!Registry) return false;
    TSenderStore store(*Registry);
    TSenderLists lists = store.Load();
    std::vector<std::string>& entries = list == TSenderListKind::Allow ? lists.Allow : lists.Block;
    // Stored as typed: the entry goes in whatever case it was written.
    const auto before = entries.size();
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::string& stored) {
                                     std::string parsed, error;
                                     return TSenderList::ParseEntry(stored, parsed, error) &&
                                            parsed == entry;
                                 }),
                  entries.end());
    if (entries.size() != before && !store.Save(lists)) return false;
    RulesChanged();
    return true;
}

void TPruneboxM::RulesChanged() {
    for (int slot = 0; slot < TAccountTable::MaxPages; ++slot) {
        if (TChPage* page = Accounts.Page(slot)) page->RulesChanged();
    }
}

bool TPruneboxM::AskTrustCertificate(const std::string& accountKey, const std::string& text,
                                     const std::string& hash) {
    ::MessageBeep(MB_ICONEXCLAMATION);
    // The question comes unasked during a connect: a stray Enter must not trust and pin.
    if (MessageDlgCenter(Handle, text, TMsgDlgType::Warning, mbYes | mbNo, 0, mbNo) != mrYes)
        return false;
    // The answer holds for this connection even if the store cannot keep it.
    if (Registry) TAccountStore(*Registry).SaveCertHash(accountKey, hash);
    return true;
}

void TPruneboxM::RefreshTokenChanged(const std::string& accountKey, const std::string& token) {
    TDpapiBox box;
    if (Registry) TAccountStore(*Registry, &box).SaveRefreshToken(accountKey, token);
}

LRESULT CALLBACK TPruneboxM::AppMessage(int code, WPARAM wParam, LPARAM lParam) {
    // Every message any loop of the UI thread takes from the queue; never swallowed.
    if (code == HC_ACTION && wParam == PM_REMOVE && PruneboxM && PruneboxM->MainPage.Handle) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message == WM_KEYDOWN && message.wParam == VK_F2)
            PruneboxM->MainPage.SelectNext(false);
        else if (message.message == WM_KEYDOWN && message.wParam == VK_F3)
            PruneboxM->MainPage.SelectNext(true);
        if (PruneboxM->Commands)
            PruneboxM->Commands->TranslateShortcut(*reinterpret_cast<MSG*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT TPruneboxM::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The shell (re)started: its icons are gone.
    if (message == TTrayIcon::TaskbarCreatedMessage()) {
        Tray.Icon.Readd();
        return 0;
    }
    switch (message) {
        case WM_PB_TRAY:
            Tray.HandleEvent(wParam, lParam);
            return 0;
        case WM_SYSCOMMAND:
            if (wParam == SC_MINIMIZE) {
                if (MinimizesToTray())
                    HideBehindIcon();
                else
                    ShowWindow(Handle, SW_MINIMIZE);
                return 0;
            }
            if (wParam == SC_MAXIMIZE) RecordNormalBounds();
            if (wParam == SysCenter) {
                CenterOnDesktop();
                return 0;
            }
            break;
        case WM_NCLBUTTONDBLCLK:
            if (wParam == HTCAPTION) RecordNormalBounds();
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) RememberFocus();
            // On activation the default gives the focus to this window: WM_SETFOCUS passes it on.
            break;
        case WM_ENABLE:
            // A modal dialog disables the window before it takes the activation.
            if (!wParam) RememberFocus();
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{
                Dpi::Scale(MinTrackWidth, MadeForDpi()), Dpi::Scale(MinTrackHeight, MadeForDpi())};
            return 0;
        case WM_DPICHANGED:
            DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SIZE:
            // Minimised another way (the task bar, a program): behind the icon as well.
            if (wParam == SIZE_MINIMIZED && MinimizesToTray()) HideBehindIcon();
            FormResize();
            return 0;
        case WM_COMMAND:
            if (Tray.HandleCommand(LOWORD(wParam))) return 0;
            if (Commands && Commands->HandleCommand(LOWORD(wParam))) return 0;
            break;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            LRESULT result = 0;
            if (Commands && Commands->HandleNotify(header, result)) return result;
            if (header.hwndFrom == MainPage.Handle) MainPage.HandleNotify(header);
            return 0;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.hwndItem != MainPage.Handle) break;
            MainPageDrawTab(item.hDC, item.itemID, item.rcItem,
                            (item.itemState & ODS_SELECTED) != 0);
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == TPeriodicChecks::TimerId && Checks) {
                Checks->Tick();
                RemoveExpiredCopies();
                return 0;
            }
            break;
        case WM_PB_SHOW_HEADER:
            ShowHeader(static_cast<int>(wParam));
            return 0;
        case WM_PB_SHOW_WINDOW:
            ShowFromTray();
            return 0;
        case WM_QUERYENDSESSION:
            FormClose();
            return TRUE;
        case WM_CLOSE:
            FormClose();
            return 0;
        case WM_DESTROY:
            Checks.reset();
            Tray.Hide();
            if (MessageHook) UnhookWindowsHookEx(MessageHook);
            MessageHook = nullptr;
            MainPage.Handle = nullptr;
            if (OnClosed) OnClosed();
            return 0;
    }
    return DefaultProc(message, wParam, lParam);
}
