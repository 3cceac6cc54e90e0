#include "ui/ResStrings.h"

#include <windows.h>

std::string LoadResString(unsigned id) {
    // Entries are short texts; 1024 bytes hold the longest with room to spare.
    char text[1024];
    int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}
