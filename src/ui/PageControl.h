#pragma once
#include <functional>
#include <vector>

#include "ui/SheetHost.h"
#include "ui/Window.h"

enum class TTabPosition { Top, Bottom, Left, Right };

// The tab control with one sheet per tab: the sheets are the tabs' contents, in display
// order; the active sheet is the only one shown. The control itself is the platform's.
class TPageControl : public TSheetHost {
public:
    HWND Handle = nullptr;
    // The user (or SelectNext) changed the active tab.
    std::function<void()> OnChange;

    void Create(HWND parent, int id, bool ownerDraw, TTabPosition position);
    void Destroy();
    bool OwnerDraw() const { return FOwnerDraw; }
    TTabPosition TabPosition() const { return FTabPosition; }
    // Moves the tabs to another side of the control at once.
    void SetTabPosition(TTabPosition position);

    int SheetCount() const { return static_cast<int>(Sheets.size()); }
    TTabSheet* SheetAt(int index) const;  // null outside 0..count-1
    int IndexOf(const TTabSheet* sheet) const;
    int ActiveIndex() const;
    TTabSheet* ActiveSheet() const { return SheetAt(ActiveIndex()); }

    // Makes the tab at index active, as a click would (OnChange runs when notify).
    void SelectIndex(int index, bool notify);
    // The tab before / after the active one, cyclic.
    void SelectNext(bool forward);
    void MoveSheet(TTabSheet* sheet, int newIndex);
    RECT TabRect(int index) const;
    RECT DisplayRect() const override;

    // Called by the tab control's WM_NOTIFY at the parent.
    void HandleNotify(const NMHDR& header);
    // Called by the parent after it resized the control.
    void Resized();

    // The sheets' host.
    HWND HostHandle() const override { return Handle; }
    void AddSheet(TTabSheet* sheet) override;
    void RemoveSheet(TTabSheet* sheet) override;
    void SheetCaptionChanged(TTabSheet* sheet) override;

private:
    void InsertTab(int index, TTabSheet* sheet);
    void ShowActiveSheet();

    std::vector<TTabSheet*> Sheets;  // display order; the sheets belong to their pages
    bool FOwnerDraw = true;
    TTabPosition FTabPosition = TTabPosition::Top;
};
