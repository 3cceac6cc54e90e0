#include "ui/StatusBar.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/ControlText.h"
#include "ui/Dpi.h"

namespace {
// Room for a status part's borders around its text.
constexpr int PartMargin = 24;
constexpr int MinHeight = 23;  // at 96 DPI
}  // namespace

void TStatusBar::Create(HWND parent, int id, HFONT font) {
    Handle = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBT_TOOLTIPS, 0, 0, 0,
                             0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Resize();
}

void TStatusBar::Resize() {
    // The DPI may have changed since the last time.
    SendMessageA(Handle, SB_SETMINHEIGHT, Dpi::Scale(MinHeight, Dpi::Of(Handle)), 0);
    SendMessageA(Handle, WM_SIZE, 0, 0);
    SetPartEdges();
}

void TStatusBar::SetPartEdges() {
    RECT bar;
    GetClientRect(Handle, &bar);
    const int right = bar.right - bar.left - ProtectionWidth;
    // Parts 1 and 2 hold the longest texts they show, for a five-digit mailbox, in the bar's font.
    const int count = TextWidth(Handle, "全 99999通") + PartMargin;
    const int progress = std::max(TextWidth(Handle, DeletionCountText(99999)),
                                  TextWidth(Handle, "99999通目処理中")) +
                         PartMargin;
    int edges[4] = {right - progress - count, right - progress, ProtectionWidth > 0 ? right : -1,
                    -1};
    SendMessageA(Handle, SB_SETPARTS, ProtectionWidth > 0 ? 4 : 3, reinterpret_cast<LPARAM>(edges));
}

void TStatusBar::ShowProtection(const std::string& text) {
    ProtectionWidth = text.empty() ? 0 : TextWidth(Handle, text) + PartMargin;
    SetPartEdges();
    if (!text.empty()) SetText(3, text);
}

int TStatusBar::PartCount() const {
    return static_cast<int>(SendMessageA(Handle, SB_GETPARTS, 0, 0));
}

void TStatusBar::SetText(int part, const std::string& text) {
    // A leading tab centres the text of a status bar part.
    const std::string shown = part == 0 ? text : "\t" + text;
    SendMessageA(Handle, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(shown.c_str()));
}

std::string TStatusBar::Text(int part) const {
    // The length counts characters under some systems, not bytes: room for two bytes each
    // holds the Shift_JIS text either way.
    const int length = LOWORD(SendMessageA(Handle, SB_GETTEXTLENGTHA, part, 0));
    std::string text(2 * static_cast<size_t>(length) + 1, '\0');
    SendMessageA(Handle, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text.data()));
    std::string shown = text.c_str();
    if (!shown.empty() && shown[0] == '\t') shown.erase(0, 1);
    return shown;
}

void TStatusBar::SetTip(const std::string& text) {
    SendMessageA(Handle, SB_SETTIPTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TStatusBar::Tip() const {
    char text[512] = {};
    SendMessageA(Handle, SB_GETTIPTEXTA, MAKEWPARAM(0, sizeof text),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

std::string TStatusBar::DeletionCountText(int count) {
    return "削除予定 " + std::to_string(count) + "通";
}

void TStatusBar::ShowDeletionCount(int count) { SetText(2, DeletionCountText(count)); }
