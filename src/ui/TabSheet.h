#pragma once
#include <string>

#include "ui/SheetHost.h"
#include "ui/Window.h"

// One tab of a page control: a window over the control's display area that holds the page's
// controls. Its Tag is the slot of the account it belongs to.
class TTabSheet : public TWindow {
public:
    static constexpr const char* ClassName = "TTabSheet";

    TTabSheet(TSheetHost& host, int tag);
    ~TTabSheet() override;

    TSheetHost& Host;
    int Tag;

    std::string Caption() const;
    void SetCaption(const std::string& caption);

private:
    std::string FCaption;
};
