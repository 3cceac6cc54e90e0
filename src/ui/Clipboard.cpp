#include "ui/Clipboard.h"

#include <cstring>

bool PutClipboardText(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool placed = false;
    if (memory) {
        char* target = static_cast<char*>(GlobalLock(memory));
        std::memcpy(target, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        placed = SetClipboardData(CF_TEXT, memory) != nullptr;
        // Once placed, the memory belongs to the clipboard.
        if (!placed) GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}
