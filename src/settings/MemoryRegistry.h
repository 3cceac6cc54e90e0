#pragma once
#include <map>
#include <memory>

#include "settings/RegistryAccessor.h"
#include "settings/SettingsKeys.h"

// An in-memory registry for tests and for platforms without one: two trees of keys, names
// compared without regard to ASCII case as the registry compares them, subkeys listed in name
// order.
class TMemoryRegistry : public TRegistryAccessor {
public:
    explicit TMemoryRegistry(std::string userBase = kRegistryRootPath, std::string machineBase = "",
                             std::string userHiveBase = "");
    ~TMemoryRegistry() override;

    // Makes the key (created if missing) refuse new subkeys, as a key without the right to
    // create them does.
    void RefuseNewSubkeys(TRegistryRoot root, const std::string& fullPath);

    struct TNode;

protected:
    std::unique_ptr<TRegistryKey> OpenAt(TRegistryRoot root, const std::string& fullPath,
                                         bool canCreate) override;
    bool ExistsAt(TRegistryRoot root, const std::string& fullPath) override;
    bool DeleteTreeAt(TRegistryRoot root, const std::string& fullPath) override;

private:
    // The node at `fullPath`, created when `create` and allowed; nothing when missing.
    std::shared_ptr<TNode> Find(TRegistryRoot root, const std::string& fullPath, bool create);

    std::shared_ptr<TNode> UserHive;
    std::shared_ptr<TNode> MachineHive;
};
