#pragma once
#include <filesystem>
#include <string>

// Settings the test script hands to the test programs through the environment.
namespace TestEnv {
// Value of the variable, or empty when it is not set.
std::string Get(const char* name);
// Port of the private Dovecot started by the test script; 0 when none runs.
int DovecotPort();
// The one password every Dovecot user logs in with.
std::string DovecotPassword();
// Dovecot's mail root as this process opens it (the Unix path, or Z: + path under Windows);
// empty when no Dovecot runs.
std::filesystem::path MailRoot();
}  // namespace TestEnv
