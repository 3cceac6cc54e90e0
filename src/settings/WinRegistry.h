#pragma once
#include "settings/RegistryAccessor.h"
#include "settings/SettingsKeys.h"

// The Windows registry. The program's key is `userBase` under HKEY_CURRENT_USER; absolute paths
// under HKEY_LOCAL_MACHINE start at `machineBase`, and those of the current user's hive at
// `userHiveBase` (each the hive's top by default).
class TWinRegistry : public TRegistryAccessor {
public:
    explicit TWinRegistry(std::string userBase = kRegistryRootPath, std::string machineBase = "",
                          std::string userHiveBase = "");

protected:
    std::unique_ptr<TRegistryKey> OpenAt(TRegistryRoot root, const std::string& fullPath,
                                         bool canCreate) override;
    bool ExistsAt(TRegistryRoot root, const std::string& fullPath) override;
    bool DeleteTreeAt(TRegistryRoot root, const std::string& fullPath) override;
};
