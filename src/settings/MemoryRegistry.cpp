#include "settings/MemoryRegistry.h"

#include "headers/SjisSearch.h"

namespace {

struct TNameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return SjisSearch::AsciiUpper(a) < SjisSearch::AsciiUpper(b);
    }
};

}  // namespace

struct TMemoryRegistry::TNode {
    std::map<std::string, TRegistryValue, TNameLess> Values;
    std::map<std::string, std::shared_ptr<TNode>, TNameLess> Subkeys;
    bool Deleted = false;
    bool RefusesNewSubkeys = false;

    void MarkDeleted() {
        Deleted = true;
        for (auto& [name, child] : Subkeys) child->MarkDeleted();
    }
};

namespace {

class TMemoryKey : public TRegistryKey {
public:
    explicit TMemoryKey(std::shared_ptr<TMemoryRegistry::TNode> node) : Node(std::move(node)) {}

    std::optional<TRegistryValue> Read(const std::string& name) override {
        if (Node->Deleted) return std::nullopt;
        auto it = Node->Values.find(name);
        if (it == Node->Values.end()) return std::nullopt;
        return it->second;
    }
    bool Write(const std::string& name, const TRegistryValue& value) override {
        if (Node->Deleted) return false;
        Node->Values[name] = value;
        return true;
    }
    bool DeleteValue(const std::string& name) override {
        return !Node->Deleted && Node->Values.erase(name) > 0;
    }
    std::optional<std::vector<std::string>> SubkeyNames() override {
        if (Node->Deleted) return std::nullopt;
        std::vector<std::string> names;
        for (const auto& [name, child] : Node->Subkeys) names.push_back(name);
        return names;
    }

private:
    std::shared_ptr<TMemoryRegistry::TNode> Node;
};

}  // namespace

TMemoryRegistry::TMemoryRegistry(std::string userBase, std::string machineBase,
                                 std::string userHiveBase)
    : TRegistryAccessor(std::move(userBase), std::move(machineBase), std::move(userHiveBase)),
      UserHive(std::make_shared<TNode>()),
      MachineHive(std::make_shared<TNode>()) {}

TMemoryRegistry::~TMemoryRegistry() = default;

std::shared_ptr<TMemoryRegistry::TNode> TMemoryRegistry::Find(TRegistryRoot root,
                                                              const std::string& fullPath,
                                                              bool create) {
    auto node = root == TRegistryRoot::LocalMachine ? MachineHive : UserHive;
    for (const auto& component : SplitKeyPath(fullPath)) {
        auto it = node->Subkeys.find(component);
        if (it == node->Subkeys.end()) {
            if (!create || node->RefusesNewSubkeys) return nullptr;
            it = node->Subkeys.emplace(component, std::make_shared<TNode>()).first;
        }
        node = it->second;
    }
    return node;
}

void TMemoryRegistry::RefuseNewSubkeys(TRegistryRoot root, const std::string& fullPath) {
    Find(root, fullPath, true)->RefusesNewSubkeys = true;
}

std::unique_ptr<TRegistryKey> TMemoryRegistry::OpenAt(TRegistryRoot root,
                                                      const std::string& fullPath, bool canCreate) {
    auto node = Find(root, fullPath, canCreate);
    if (!node) return nullptr;
    return std::make_unique<TMemoryKey>(node);
}

bool TMemoryRegistry::ExistsAt(TRegistryRoot root, const std::string& fullPath) {
    return Find(root, fullPath, false) != nullptr;
}

bool TMemoryRegistry::DeleteTreeAt(TRegistryRoot root, const std::string& fullPath) {
    auto components = SplitKeyPath(fullPath);
    if (components.empty()) return false;
    const std::string name = components.back();
    components.pop_back();
    std::string parentPath;
    for (const auto& c : components) parentPath += (parentPath.empty() ? "" : "\\") + c;
    auto parent = Find(root, parentPath, false);
    if (!parent) return false;
    auto it = parent->Subkeys.find(name);
    if (it == parent->Subkeys.end()) return false;
    it->second->MarkDeleted();
    parent->Subkeys.erase(it);
    return true;
}
