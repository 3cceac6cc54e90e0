#pragma once
#include <cstddef>
#include <string>

// count bytes from the system's cryptographic random source; throws std::runtime_error when it
// cannot give them (a sign-in must never run on guessable values).
std::string RandomBytes(size_t count);
