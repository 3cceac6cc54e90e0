#include "settings/ScramblePassword.h"

namespace {

// Where each bit of the password byte goes when scrambled: bit i moves to ScrambledBit[i].
constexpr int ScrambledBit[8] = {7, 1, 3, 5, 2, 6, 0, 4};

unsigned char ScrambleByte(unsigned char b) {
    unsigned s = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i)) s |= 1u << ScrambledBit[i];
    return static_cast<unsigned char>(~s);
}

unsigned char UnscrambleByte(unsigned char c) {
    unsigned s = 0;
    for (int i = 0; i < 8; ++i)
        if (c & (1u << ScrambledBit[i])) s |= 1u << i;
    return static_cast<unsigned char>(~s);
}

}  // namespace

void ScramblePassword(const char* source, char* dest, TScrambleDirection direction, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(source[i]);
        dest[i] = static_cast<char>(direction == TScrambleDirection::Scramble ? ScrambleByte(b)
                                                                              : UnscrambleByte(b));
    }
}

std::string ScramblePassword(const std::string& text, TScrambleDirection direction) {
    std::string result(text.size(), '\0');
    ScramblePassword(text.data(), result.data(), direction, text.size());
    return result;
}
