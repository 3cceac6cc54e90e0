#pragma once
#include <string>

#include "ui/Window.h"

class TPageControl;

// One tab of a page control: a window over the control's display area that holds the page's
// controls. Its Tag is the slot of the account it belongs to.
class TTabSheet : public TWindow {
public:
    static constexpr const char* ClassName = "TTabSheet";

    TTabSheet(TPageControl& pageControl, int tag);
    ~TTabSheet() override;

    TPageControl& PageControl;
    int Tag;

    std::string Caption() const;
    void SetCaption(const std::string& caption);

private:
    std::string FCaption;
};
