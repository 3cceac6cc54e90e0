#include "headers/ConvertError.h"

EConvertError::EConvertError(const std::string& text)
    : std::runtime_error("'" + text + "' は整数ではありません"), Offending(text) {}
