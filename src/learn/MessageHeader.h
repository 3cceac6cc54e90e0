#pragma once
#include <string>
#include <string_view>
#include <vector>

// The header of a message read from a file: the lines up to the first empty one (CR LF or LF),
// each field unfolded onto one line as the worker unfolds what the server sends.
namespace MessageHeader {

// Bytes of a message read at most: a file without an empty line is not read whole.
constexpr size_t MaxHeaderBytes = 256 * 1024;

std::vector<std::string> Lines(std::string_view message);

}  // namespace MessageHeader
