#pragma once
#include <string>
#include <vector>

#include "settings/RegistryAccessor.h"

// The sender lists all accounts share, as entries (see the rules' sender list for their form).
struct TSenderLists {
    std::vector<std::string> Allow;
    std::vector<std::string> Block;
};

// The sender lists' part of the settings store: multi-string values "Allow" and "Block" under
// "\Senders"; a missing key or value is an empty list.
class TSenderStore {
public:
    explicit TSenderStore(TRegistryAccessor& registry) : Registry(registry) {}

    TSenderLists Load();
    // False when the key cannot be written or a list holds an empty entry.
    bool Save(const TSenderLists& lists);

private:
    TRegistryAccessor& Registry;
};
