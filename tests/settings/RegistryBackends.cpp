#include "RegistryBackends.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

}  // namespace

std::string TestUserBase() { return "Software\\Korvane\\PruneboxTests\\" + TestName(); }
std::string TestMachineBase() { return "Software\\PruneboxTests\\" + TestName(); }

#ifdef _WIN32
void TWinBackend::Erase(const std::string& userBase, const std::string& machineBase) {
    RegDeleteTreeA(HKEY_CURRENT_USER, userBase.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, machineBase.c_str());
}

void TWinBackend::Lock(TRegistryAccessor&, const std::string& fullPath) {
    RegDeleteTreeA(HKEY_CURRENT_USER, fullPath.c_str());
    // Keys created on the way to a volatile key are volatile too: make the parent lasting first.
    HKEY key = nullptr;
    const std::string parent = fullPath.substr(0, fullPath.rfind('\\'));
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, fullPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
#endif
