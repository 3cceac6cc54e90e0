#include "worker/HeaderCache.h"

#include <unordered_set>

void THeaderCache::Retain(const std::vector<std::string>& listedIds) {
    std::unordered_set<std::string> listed;
    Repeated.clear();
    for (const auto& id : listedIds)
        if (!listed.insert(id).second) Repeated.insert(id);
    for (auto it = Lines.begin(); it != Lines.end();) {
        if (!listed.count(it->first) || Repeated.count(it->first))
            it = Lines.erase(it);
        else
            ++it;
    }
}

std::vector<size_t> THeaderCache::Unknown(const std::vector<std::string>& listedIds) const {
    std::vector<size_t> unknown;
    for (size_t i = 0; i < listedIds.size(); ++i)
        if (!Find(listedIds[i])) unknown.push_back(i);
    return unknown;
}

const THeaderCache::TLines* THeaderCache::Find(const std::string& id) const {
    if (!Keepable(id)) return nullptr;
    auto it = Lines.find(id);
    return it == Lines.end() ? nullptr : &it->second;
}

void THeaderCache::Keep(const std::string& id, TLines lines) {
    if (Keepable(id)) Lines[id] = std::move(lines);
}
