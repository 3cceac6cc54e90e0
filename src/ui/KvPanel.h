#pragma once
#include <string>

#include "ui/Window.h"

enum class TBevelCut { None, Lowered, Raised, Space };

// A panel whose enabled state is pushed down to every control inside it, to any depth.
// Notifications of the controls inside go on to the panel's parent, so a form handles the
// buttons of its panels as if they were its own.
class TKvPanel : public TWindow {
public:
    static constexpr const char* ClassName = "TKvPanel";

    TBevelCut BevelInner = TBevelCut::Raised;
    TBevelCut BevelOuter = TBevelCut::Lowered;
    int BevelWidth = 1;
    int BorderWidth = 0;
    bool UpdateParent = false;  // a change of enabled state is also applied to the parent
    COLORREF Color = GetSysColor(COLOR_BTNFACE);

    // The rectangle at 96 DPI, scaled to the parent's.
    void Create(HWND parent, int left, int top, int width, int height, const char* caption = "",
                int id = 0);

    // True for the containers that paint themselves: this program's panels and group boxes.
    static bool IsPaintingContainer(HWND window);
    static bool IsGroupBox(HWND window);
    // Sets the enabled state of every control inside container, to any depth.
    static void PropagateEnabled(HWND container, bool enabled);

protected:
    virtual const char* WindowClass() const { return ClassName; }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void Paint(HDC dc);
    void EnabledChanged(bool enabled);
    // Outer bevel, border, inner bevel around rect, which shrinks by each.
    void DrawFrame(HDC dc, RECT& rect) const;
    static void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width);
    HFONT Font = nullptr;
};
