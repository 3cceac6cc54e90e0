#include "ui/TabSheet.h"

#include "ui/PageControl.h"

TTabSheet::TTabSheet(TPageControl& pageControl, int tag) : PageControl(pageControl), Tag(tag) {
    RegisterWindowClass(ClassName, GetSysColorBrush(COLOR_BTNFACE));
    RECT area = PageControl.DisplayRect();
    CreateHandle(ClassName, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
                 area.left, area.top, area.right - area.left, area.bottom - area.top,
                 PageControl.Handle);
    PageControl.AddSheet(this);
}

TTabSheet::~TTabSheet() { PageControl.RemoveSheet(this); }

std::string TTabSheet::Caption() const { return FCaption; }

void TTabSheet::SetCaption(const std::string& caption) {
    FCaption = caption;
    PageControl.SheetCaptionChanged(this);
}
