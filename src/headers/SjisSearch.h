#pragma once
#include <string>

// Text tests on Shift_JIS byte strings that never look inside a two-byte character.
namespace SjisSearch {

// True when needle occurs in text starting at a character boundary: "A" is not found in "ア"
// (0x83 0x41).
bool Contains(const std::string& text, const std::string& needle);
// ASCII letters upper- or lower-cased; the bytes of two-byte characters stay as they are.
std::string AsciiUpper(const std::string& text);
std::string AsciiLower(const std::string& text);

}  // namespace SjisSearch
