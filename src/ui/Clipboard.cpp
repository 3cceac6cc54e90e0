#include "ui/Clipboard.h"

#include <cstring>

namespace {

// The text's code page: Unicode programs would otherwise convert it by the keyboard
// layout's language, which garbles Japanese under an English layout.
constexpr UINT TextCodePage = 932;

// Copies size bytes into new movable memory; null when it cannot be had.
HGLOBAL CopyToGlobal(const void* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory);
    return memory;
}

std::wstring Widened(const std::string& text) {
    const int length = MultiByteToWideChar(TextCodePage, 0, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(TextCodePage, 0, text.data(), static_cast<int>(text.size()),
                            wide.data(), length);
    return wide;
}

// Hands the memory to the clipboard; frees it when the clipboard does not take it.
bool Place(UINT format, HGLOBAL memory) {
    if (!memory) return false;
    if (SetClipboardData(format, memory)) return true;
    GlobalFree(memory);
    return false;
}

}  // namespace

bool PutClipboardText(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const std::wstring wide = Widened(text);
    bool placed = Place(CF_TEXT, CopyToGlobal(text.c_str(), text.size() + 1));
    placed =
        Place(CF_UNICODETEXT, CopyToGlobal(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))) &&
        placed;
    CloseClipboard();
    return placed;
}
