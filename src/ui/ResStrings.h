#pragma once
#include <string>

#include "ui/res/ResIds.h"

// A string-table entry of the program (Shift_JIS bytes); empty when the entry is missing.
std::string LoadResString(unsigned id);
