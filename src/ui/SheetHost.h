#pragma once
#include <windows.h>

class TTabSheet;

// What a tab sheet asks of the tab control that shows it: the sheet tells the control when it
// comes, goes or changes its caption.
class TSheetHost {
public:
    virtual ~TSheetHost() = default;

    // The window the sheets are children of.
    virtual HWND HostHandle() const = 0;
    // The area a sheet covers, in the host's client coordinates.
    virtual RECT DisplayRect() const = 0;
    virtual void AddSheet(TTabSheet* sheet) = 0;
    virtual void RemoveSheet(TTabSheet* sheet) = 0;
    virtual void SheetCaptionChanged(TTabSheet* sheet) = 0;
};
