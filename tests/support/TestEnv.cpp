#include "TestEnv.h"

#include <cstdlib>

namespace TestEnv {

std::string Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int DovecotPort() { return std::atoi(Get("PB_DOVECOT_PORT").c_str()); }

}  // namespace TestEnv
