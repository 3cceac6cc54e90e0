#pragma once
#include <cstddef>
#include <string>

// The keyless transformation of a stored password ("PassWord"): each byte's bits are moved to
// new places and the result complemented. Unscrambling a scrambled byte gives it back, for all
// 256 values.
enum class TScrambleDirection { Scramble, Unscramble };

// Transforms `count` bytes of `source` into `dest` (the two may be the same buffer).
void ScramblePassword(const char* source, char* dest, TScrambleDirection direction, size_t count);
// The transformed copy of every byte of `text`, whatever its length.
std::string ScramblePassword(const std::string& text, TScrambleDirection direction);
