#include "settings/SenderStore.h"

#include "settings/SettingsKeys.h"

TSenderLists TSenderStore::Load() {
    TSenderLists lists;
    if (!Registry.KeyExists(kSendersKey) || !Registry.OpenKey(kSendersKey, false)) return lists;
    lists.Allow = Registry.ReadMultiString("Allow").value_or(std::vector<std::string>{});
    lists.Block = Registry.ReadMultiString("Block").value_or(std::vector<std::string>{});
    return lists;
}

bool TSenderStore::Save(const TSenderLists& lists) {
    if (!Registry.OpenKey(kSendersKey, true)) return false;
    const bool allow = Registry.WriteMultiString("Allow", lists.Allow);
    return Registry.WriteMultiString("Block", lists.Block) && allow;
}
