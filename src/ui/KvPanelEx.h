#pragma once
#include "ui/KvPanel.h"

// The panel with a captioned group frame: the caption is set into the frame's top line.
class TKvPanelEx : public TKvPanel {
public:
    static constexpr const char* ClassName = "TKvPanelEx";

    // false: a group frame with the caption in its top line; true: a plain panel frame.
    bool PanelType() const { return FPanelType; }
    void SetPanelType(bool value);

protected:
    const char* WindowClass() const override { return ClassName; }
    void Paint(HDC dc) override;

private:
    bool FPanelType = false;
};
