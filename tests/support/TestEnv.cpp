#include "TestEnv.h"

#include <cstdlib>

namespace TestEnv {

std::string Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int DovecotPort() { return std::atoi(Get("PB_DOVECOT_PORT").c_str()); }

std::string DovecotPassword() { return Get("PB_DOVECOT_PASSWORD"); }

std::filesystem::path MailRoot() {
    std::string root = Get("PB_MAILROOT");
    if (root.empty()) return {};
#ifdef _WIN32
    root = "Z:" + root;  // Wine maps the Unix root to drive Z:
#endif
    return std::filesystem::path(root);
}

}  // namespace TestEnv
