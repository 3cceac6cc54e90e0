#pragma once
#include <cstddef>
#include <map>
#include <string>

// The JSON object an identity provider answers with (RFC 8259), read strictly: the top-level
// members that are strings, numbers or booleans, by name; nested objects, arrays and nulls are
// checked and passed over. Strings come back as UTF-8, numbers and booleans as their text.
namespace JsonObject {

// Longer answers are refused: a token response is a few kilobytes.
constexpr size_t MaxLength = 256 * 1024;
// Nesting beyond this is refused rather than followed.
constexpr int MaxDepth = 16;

// False for anything but one well-formed object (blanks around it allowed); a name given twice
// keeps its first value.
bool Parse(const std::string& text, std::map<std::string, std::string>& members);

}  // namespace JsonObject
