#include "settings/WinRegistry.h"

#include <windows.h>

namespace {

HKEY Hive(TRegistryRoot root) {
    return root == TRegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

TRegistryValue::TKind KindOf(DWORD type, DWORD size) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:  // read as stored; the caller expands what it needs
            return TRegistryValue::String;
        case REG_DWORD:
            return size == sizeof(DWORD) ? TRegistryValue::Integer : TRegistryValue::Other;
        case REG_BINARY:
            return TRegistryValue::Binary;
        case REG_MULTI_SZ:
            return TRegistryValue::MultiString;
        default:
            return TRegistryValue::Other;
    }
}

class TWinKey : public TRegistryKey {
public:
    explicit TWinKey(HKEY key) : Key(key) {}
    ~TWinKey() override { RegCloseKey(Key); }

    std::optional<TRegistryValue> Read(const std::string& name) override {
        DWORD type = 0;
        DWORD size = 0;
        std::string data;
        // Asks for the size first; retries while another writer grows the value in between.
        for (;;) {
            if (RegQueryValueExA(Key, name.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS)
                return std::nullopt;
            data.assign(size, '\0');
            const LONG rc = RegQueryValueExA(Key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return std::nullopt;
            data.resize(size);
            break;
        }
        TRegistryValue value{KindOf(type, size), data};
        // A string ends at its first NUL, whether or not the writer stored a terminator.
        if (value.Kind == TRegistryValue::String)
            value.Data = value.Data.substr(0, data.find('\0'));
        return value;
    }

    bool Write(const std::string& name, const TRegistryValue& value) override {
        DWORD type = REG_BINARY;
        std::string data = value.Data;
        if (value.Kind == TRegistryValue::String) {
            type = REG_SZ;
            data.push_back('\0');
        } else if (value.Kind == TRegistryValue::Integer) {
            type = REG_DWORD;
        } else if (value.Kind == TRegistryValue::MultiString) {
            type = REG_MULTI_SZ;  // the data holds its terminators
        }
        return RegSetValueExA(Key, name.c_str(), 0, type,
                              reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }

    bool DeleteValue(const std::string& name) override {
        return RegDeleteValueA(Key, name.c_str()) == ERROR_SUCCESS;
    }

    std::optional<std::vector<std::string>> SubkeyNames() override {
        DWORD count = 0;
        DWORD longest = 0;
        if (RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<std::string> names;
        std::string buffer(longest + 1, '\0');
        DWORD index = 0;
        for (;;) {
            DWORD length = static_cast<DWORD>(buffer.size());
            const LONG rc = RegEnumKeyExA(Key, index, buffer.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc == ERROR_MORE_DATA) {  // a longer name was added meanwhile
                buffer.resize(buffer.size() * 2);
                continue;
            }
            if (rc != ERROR_SUCCESS) return std::nullopt;
            names.emplace_back(buffer.data(), length);
            ++index;
        }
        return names;
    }

private:
    HKEY Key;
};

}  // namespace

TWinRegistry::TWinRegistry(std::string userBase, std::string machineBase, std::string userHiveBase)
    : TRegistryAccessor(std::move(userBase), std::move(machineBase), std::move(userHiveBase)) {}

std::unique_ptr<TRegistryKey> TWinRegistry::OpenAt(TRegistryRoot root, const std::string& fullPath,
                                                   bool canCreate) {
    HKEY key = nullptr;
    LONG rc;
    if (canCreate) {
        rc = RegCreateKeyExA(Hive(root), fullPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    } else {
        rc = RegOpenKeyExA(Hive(root), fullPath.c_str(), 0, KEY_READ | KEY_WRITE, &key);
        // Keys of the local machine are often readable only.
        if (rc == ERROR_ACCESS_DENIED)
            rc = RegOpenKeyExA(Hive(root), fullPath.c_str(), 0, KEY_READ, &key);
    }
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<TWinKey>(key);
}

bool TWinRegistry::ExistsAt(TRegistryRoot root, const std::string& fullPath) {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(Hive(root), fullPath.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    // A key we may not read still exists.
    return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

bool TWinRegistry::DeleteTreeAt(TRegistryRoot root, const std::string& fullPath) {
    if (fullPath.empty()) return false;
    return RegDeleteTreeA(Hive(root), fullPath.c_str()) == ERROR_SUCCESS;
}
