#include "ui/TabSheet.h"

TTabSheet::TTabSheet(TSheetHost& host, int tag) : Host(host), Tag(tag) {
    RegisterWindowClass(ClassName, GetSysColorBrush(COLOR_BTNFACE));
    RECT area = Host.DisplayRect();
    CreateHandle(ClassName, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
                 area.left, area.top, area.right - area.left, area.bottom - area.top,
                 Host.HostHandle());
    Host.AddSheet(this);
}

TTabSheet::~TTabSheet() { Host.RemoveSheet(this); }

std::string TTabSheet::Caption() const { return FCaption; }

void TTabSheet::SetCaption(const std::string& caption) {
    FCaption = caption;
    Host.SheetCaptionChanged(this);
}
