#pragma once
#include <string>
#include <vector>

#include "ui/Window.h"

// The header viewer: every line of one message's header, decoded, one per list entry.
class TMailForm : public TWindow {
public:
    // lines: the page's header lines; the marker the header lookup leaves on the last one is
    // taken off there as well.
    explicit TMailForm(std::vector<std::string>& lines);

    std::string Caption = "ヘッダの表示";
    // Shows the viewer modally over owner until it is closed (Escape or the close box).
    void ShowModal(HWND owner);

    static constexpr int IdHeadListBox = 100;

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    std::vector<std::string>& Lines;
    HWND HeadListBox = nullptr;
};
