#pragma once
#include <string>

// Case folding of Shift_JIS text: only single-byte ASCII letters fold; the second byte of a
// double-byte character is left alone even when it falls in the ASCII letter range.

bool IsSjisLeadByte(unsigned char c);
std::string SjisUpperCase(const std::string& text);
// Replaces every occurrence of `pattern` (ASCII letters matched in either case) by `replacement`.
std::string SjisReplaceIgnoringCase(const std::string& text, const std::string& pattern,
                                    const std::string& replacement);
