#include "worker/HeaderCache.h"

#include <string_view>
#include <unordered_set>

std::vector<std::pair<std::string, THeaderCache::TEntry>> THeaderCache::Retain(
    const std::vector<std::string>& listedIds) {
    std::vector<std::pair<std::string, TEntry>> forgotten;
    std::unordered_set<std::string_view> listed(listedIds.size());
    Repeated.clear();
    for (const auto& id : listedIds)
        if (!listed.insert(id).second) Repeated.insert(id);
    for (auto it = Entries.begin(); it != Entries.end();) {
        if (!listed.count(it->first) || Repeated.count(it->first)) {
            forgotten.emplace_back(it->first, std::move(it->second));
            it = Entries.erase(it);
        } else {
            ++it;
        }
    }
    return forgotten;
}

std::vector<size_t> THeaderCache::Unknown(const std::vector<std::string>& listedIds,
                                          const std::vector<int32_t>& sizes) const {
    std::vector<size_t> unknown;
    for (size_t i = 0; i < listedIds.size(); ++i)
        if (i >= sizes.size() || !Find(listedIds[i], sizes[i])) unknown.push_back(i);
    return unknown;
}

const THeaderCache::TEntry* THeaderCache::Find(const std::string& id, int32_t size) const {
    if (!Keepable(id)) return nullptr;
    auto it = Entries.find(id);
    return it == Entries.end() || it->second.Size != size ? nullptr : &it->second;
}

void THeaderCache::Keep(const std::string& id, TEntry entry) {
    if (Keepable(id)) Entries[id] = std::move(entry);
}
