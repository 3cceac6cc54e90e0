#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "settings/MemoryRegistry.h"
#ifdef _WIN32
#include "settings/WinRegistry.h"
#endif

// Where a test's current-user hive starts: below its own base, so that it goes with it and the
// real Run key stays untouched.
inline std::string UserHiveBase(const std::string& userBase) { return userBase + "\\UserHive"; }

// The backends every store test runs against. Each test gets empty bases of its own, so that
// tests on the real registry neither see nor leave each other's keys.
struct TMemoryBackend {
    static std::unique_ptr<TRegistryAccessor> Make(const std::string& userBase,
                                                   const std::string& machineBase) {
        return std::make_unique<TMemoryRegistry>(userBase, machineBase, UserHiveBase(userBase));
    }
    static void Erase(const std::string&, const std::string&) {}
    // Makes the key at `fullPath` (user hive) empty and unable to take new subkeys.
    static void Lock(TRegistryAccessor& registry, const std::string& fullPath) {
        static_cast<TMemoryRegistry&>(registry).RefuseNewSubkeys(TRegistryRoot::CurrentUser,
                                                                 fullPath);
    }
};

#ifdef _WIN32
struct TWinBackend {
    static std::unique_ptr<TRegistryAccessor> Make(const std::string& userBase,
                                                   const std::string& machineBase) {
        Erase(userBase, machineBase);
        return std::make_unique<TWinRegistry>(userBase, machineBase, UserHiveBase(userBase));
    }
    static void Erase(const std::string& userBase, const std::string& machineBase);
    // A volatile key takes no lasting subkeys: the registry refuses to create them.
    static void Lock(TRegistryAccessor& registry, const std::string& fullPath);
};
using TRegistryBackends = ::testing::Types<TMemoryBackend, TWinBackend>;
#else
using TRegistryBackends = ::testing::Types<TMemoryBackend>;
#endif

// Test key bases from the hive's top, unique to the running test.
std::string TestUserBase();
std::string TestMachineBase();

template <class Backend>
class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() : Registry(Backend::Make(TestUserBase(), TestMachineBase())) {}
    ~RegistryTest() override {
        Registry.reset();
        Backend::Erase(TestUserBase(), TestMachineBase());
    }

    // Puts values into place through the accessor, as an outside edit would.
    TRegistryAccessor& Open(const std::string& path) {
        EXPECT_TRUE(Registry->OpenKey(path, true)) << path;
        return *Registry;
    }

    // Makes the key at `path` below the test's base unable to take new subkeys; it must hold
    // nothing yet.
    void Lock(const std::string& path) { Backend::Lock(*Registry, TestUserBase() + path); }

    std::unique_ptr<TRegistryAccessor> Registry;
};
