#pragma once
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "page/AccountDirectory.h"
#include "page/ChPage.h"
#include "settings/SetupStore.h"

class TPageControl;
class TPageHost;
class TWindow;

// The account pages by slot: slot 0 is "新規", the accounts follow in the order they were
// added; the tabs show them in their own order. PageCount counts the slots in use once a page
// has been counted in (SetPageCount), which the start-up does after filling it.
class TAccountTable : public TAccountDirectory {
public:
    static constexpr int MaxPages = 64;
    // Beyond this many pages every change of the count warns.
    static constexpr int WarnPageCount = 60;

    // Pages are made in `tabs` for `host`; warnings go over `owner`.
    TAccountTable(TPageHost& host, TPageControl& tabs, TWindow& owner);
    ~TAccountTable() override;
    TAccountTable(const TAccountTable&) = delete;
    TAccountTable& operator=(const TAccountTable&) = delete;

    std::array<std::unique_ptr<TChPage>, MaxPages> Pages;
    int PageCount = 0;

    void SetPageCount(int n);
    // A new page in slot PageCount; refused with the page-count warning when all slots are
    // used (returns null then).
    TChPage* AddPage();
    // Closes the page in `slot` (never "新規") and moves the later ones down a slot.
    void Remove(int slot);
    // Closes every page, from the last slot down.
    void Clear();
    // The slot of the active tab; -1 when there is none.
    int ActiveSlot() const;
    // Every page's mail list takes this font, from the last slot down, and so does every page
    // added later (the table does not own it).
    void SetListFont(HFONT font);
    // Every page's visible mail columns take these widths (at 96 DPI, scaled to each list's),
    // and so do those of pages added later.
    void SetColumnWidths(const std::array<int, kListColumns>& widths);

    // The account list as the dialogs see it.
    HWND Window() const override;
    TChPage* Page(int slot) const override;
    int FindByName(const std::string& name) const override;
    int FindByKey(const std::string& keyName, int except) const override;
    TChPage* AddAccount() override;
    void Activate(int slot) override;

private:
    TPageHost& Host;
    TPageControl& Tabs;
    TWindow& Owner;
    HFONT ListFont = nullptr;
    // At 96 DPI; until set, the frame's own.
    std::optional<std::array<int, kListColumns>> ColumnWidths;
    void ApplyColumnWidths(TChPage& page) const;
};
