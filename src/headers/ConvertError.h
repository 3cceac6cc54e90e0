#pragma once
#include <stdexcept>
#include <string>

// A text that should have been a number was not. what() is the Shift_JIS message
// "'<text>' は整数ではありません" that the caller shows as it stands.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& text);
    // The offending text, as it was given.
    const std::string& Text() const { return Offending; }

private:
    std::string Offending;
};
