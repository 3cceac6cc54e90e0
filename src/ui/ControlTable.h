#pragma once
#include <windows.h>

#include <cstddef>

// One child control as the layouts give it: class, caption, style, rectangle at 96 DPI, id.
struct TControlSpec {
    const char* ClassName;
    const char* Caption;
    DWORD Style;  // WS_CHILD | WS_VISIBLE are added
    DWORD ExStyle;
    int Left, Top, Width, Height;
    int Id;
};

// One column of a report list view.
struct TColumnSpec {
    const char* Caption;
    int Width;   // at 96 DPI
    int Format;  // LVCFMT_LEFT, LVCFMT_CENTER...
};

// Creates one control inside parent, its rectangle scaled to the parent's DPI, and gives it
// the font (when not null).
HWND CreateControl(HWND parent, const TControlSpec& entry, HFONT font);

// Appends one column to a report list view, its width scaled to the list's DPI.
void InsertColumn(HWND list, int index, const TColumnSpec& entry);

// The width a report list's column needs to show caption whole in its header, in font.
int ColumnWidthFor(HFONT font, const char* caption);

// Appends the columns of a table, left to right.
template <std::size_t N>
void InsertColumns(HWND list, const TColumnSpec (&specs)[N]) {
    for (std::size_t i = 0; i < N; ++i) InsertColumn(list, static_cast<int>(i), specs[i]);
}

// Creates the controls of a table in order (which is also their tab order); the handles
// land in handles[i] when handles is not null.
template <std::size_t N>
void CreateControls(HWND parent, const TControlSpec (&specs)[N], HFONT font,
                    HWND* handles = nullptr) {
    for (std::size_t i = 0; i < N; ++i) {
        HWND control = CreateControl(parent, specs[i], font);
        if (handles) handles[i] = control;
    }
}
