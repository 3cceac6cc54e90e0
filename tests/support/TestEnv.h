#pragma once
#include <string>

// Settings the test script hands to the test programs through the environment.
namespace TestEnv {
// Value of the variable, or empty when it is not set.
std::string Get(const char* name);
// Port of the private Dovecot started by the test script; 0 when none runs.
int DovecotPort();
}  // namespace TestEnv
