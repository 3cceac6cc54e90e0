#include "page/AccountTable.h"

#include <commctrl.h>

#include "settings/AccountFields.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/PageControl.h"
#include "ui/ResStrings.h"
#include "ui/Window.h"

TAccountTable::TAccountTable(TPageHost& host, TPageControl& tabs, TWindow& owner)
    : Host(host), Tabs(tabs), Owner(owner) {}

HWND TAccountTable::Window() const { return Owner.Handle; }

TAccountTable::~TAccountTable() { Clear(); }

void TAccountTable::Clear() {
    for (int slot = MaxPages - 1; slot >= 0; --slot) Pages[slot].reset();
}

void TAccountTable::SetPageCount(int n) {
    if (PageCount > WarnPageCount)
        MessageDlgCenter(Owner.Handle, LoadResString(S_PAGE_LIMIT), TMsgDlgType::Warning, mbOK, 0);
    PageCount = n;
}

TChPage* TAccountTable::AddPage() {
    if (PageCount >= MaxPages) {
        // The table is full: refuse with the same words as the page-count warning.
        MessageDlgCenter(Owner.Handle, LoadResString(S_PAGE_LIMIT), TMsgDlgType::Warning, mbOK, 0);
        return nullptr;
    }
    Pages[PageCount] = std::make_unique<TChPage>(Host, Tabs, PageCount);
    // A page added while the program runs (a new account) shows its list like the others.
    TChPage& page = *Pages[PageCount];
    if (ListFont)
        SendMessageA(page.Frame->MailView, WM_SETFONT, reinterpret_cast<WPARAM>(ListFont), FALSE);
    ApplyColumnWidths(page);
    return &page;
}

void TAccountTable::SetColumnWidths(const std::array<int, kListColumns>& widths) {
    ColumnWidths = widths;
    for (int slot = 0; slot < PageCount; ++slot) {
        if (Pages[slot]) ApplyColumnWidths(*Pages[slot]);
    }
}

void TAccountTable::ApplyColumnWidths(TChPage& page) const {
    if (!ColumnWidths) return;
    const int dpi = Dpi::Of(page.Frame->MailView);
    for (int column = 0; column < kListColumns; ++column)
        SendMessageA(page.Frame->MailView, LVM_SETCOLUMNWIDTH, column,
                     Dpi::Scale((*ColumnWidths)[column], dpi));
    page.Frame->FitTitleColumn();
}

void TAccountTable::SetListFont(HFONT font) {
    ListFont = font;
    // The list view measures its rows again when it gets a font: no need to re-create it.
    for (int slot = PageCount - 1; slot >= 0; --slot) {
        if (Pages[slot])
            SendMessageA(Pages[slot]->Frame->MailView, WM_SETFONT,
                         reinterpret_cast<WPARAM>(ListFont), TRUE);
    }
}

void TAccountTable::Remove(int slot) {
    if (slot < 1 || slot >= PageCount || !Pages[slot]) return;
    Pages[slot].reset();
    SetPageCount(PageCount - 1);
    for (int i = slot; i < PageCount; ++i) {
        Pages[i] = std::move(Pages[i + 1]);
        Pages[i]->SetIndex(i);
    }
    Pages[PageCount].reset();
}

int TAccountTable::ActiveSlot() const {
    TTabSheet* sheet = Tabs.ActiveSheet();
    return sheet ? sheet->Tag : -1;
}

TChPage* TAccountTable::Page(int slot) const {
    // A page made but not yet counted in (during the start-up) is a page all the same.
    return slot >= 0 && slot < MaxPages ? Pages[slot].get() : nullptr;
}

int TAccountTable::FindByName(const std::string& name) const {
    for (int i = 0; i < Tabs.SheetCount(); ++i) {
        const TTabSheet* sheet = Tabs.SheetAt(i);
        const TChPage* page = sheet ? Page(sheet->Tag) : nullptr;
        if (page && AccountFields::SameName(page->AccountName(), name)) return sheet->Tag;
    }
    return -1;
}

int TAccountTable::FindByKey(const std::string& keyName, int except) const {
    if (keyName.empty()) return -1;
    // Lead-byte aware, like the names: the registry folds ASCII case in key names.
    for (int slot = 1; slot < PageCount; ++slot) {
        if (slot != except && Pages[slot] && AccountFields::SameName(Pages[slot]->KeyName, keyName))
            return slot;
    }
    return -1;
}

TChPage* TAccountTable::AddAccount() {
    TChPage* page = AddPage();
    if (!page) return nullptr;
    Tabs.MoveSheet(Pages[0]->TabSheet.get(), Tabs.SheetCount() - 1);
    SetPageCount(PageCount + 1);
    return page;
}

void TAccountTable::Activate(int slot) {
    TChPage* page = Page(slot);
    if (page && ActiveSlot() != slot) Tabs.SelectIndex(Tabs.IndexOf(page->TabSheet.get()), true);
}
