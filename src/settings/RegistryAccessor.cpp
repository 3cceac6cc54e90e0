#include "settings/RegistryAccessor.h"

#include "headers/SjisText.h"

namespace {

std::string JoinKeyPath(const std::vector<std::string>& components) {
    std::string joined;
    for (const auto& c : components) {
        if (!joined.empty()) joined += '\\';
        joined += c;
    }
    return joined;
}

std::string Normalised(const std::string& path) { return JoinKeyPath(SplitKeyPath(path)); }

std::string Child(const std::string& base, const std::string& relative) {
    if (base.empty()) return relative;
    if (relative.empty()) return base;
    return base + '\\' + relative;
}

TRegistryValue IntegerValue(int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return {TRegistryValue::Integer, bytes};
}

}  // namespace

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> components;
    std::string component;
    for (size_t i = 0; i < path.size(); ++i) {
        // The second byte of a two-byte character may be 0x5C; it separates nothing.
        if (SjisText::IsLeadByte(path[i]) && i + 1 < path.size()) {
            component.append(path, i, 2);
            ++i;
        } else if (path[i] == '\\') {
            if (!component.empty()) components.push_back(component);
            component.clear();
        } else {
            component += path[i];
        }
    }
    if (!component.empty()) components.push_back(component);
    return components;
}

TRegistryAccessor::TRegistryAccessor(std::string userBase, std::string machineBase,
                                     std::string userHiveBase)
    : UserBase(Normalised(userBase)),
      MachineBase(Normalised(machineBase)),
      UserHiveBase(Normalised(userHiveBase)) {}

void TRegistryAccessor::SetRoot(TRegistryRoot root) {
    CloseKey();
    CurrentRoot = root;
}

std::optional<std::string> TRegistryAccessor::Resolve(const std::string& path,
                                                      size_t* depth) const {
    const std::string relative = Normalised(path);
    if (depth) *depth = SplitKeyPath(relative).size();
    if (!path.empty() && path[0] == '\\') {
        const std::string& base = CurrentRoot == TRegistryRoot::CurrentUser    ? UserBase
                                  : CurrentRoot == TRegistryRoot::LocalMachine ? MachineBase
                                                                               : UserHiveBase;
        return Child(base, relative);
    }
    if (!Current) return std::nullopt;
    return Child(CurrentFullPath, relative);
}

bool TRegistryAccessor::OpenKey(const std::string& path, bool canCreate) {
    const auto full = Resolve(path);
    // Whatever happens, the key that was current before is no longer addressed.
    CloseKey();
    if (!full) return false;
    Current = OpenAt(CurrentRoot, *full, canCreate);
    if (!Current) return false;
    CurrentFullPath = *full;
    return true;
}

bool TRegistryAccessor::ReopenKey(const std::string& currentPath) {
    CloseKey();
    if (currentPath.empty()) return false;  // would be the hive's top
    Current = OpenAt(CurrentRoot, currentPath, false);
    if (!Current) return false;
    CurrentFullPath = currentPath;
    return true;
}

void TRegistryAccessor::CloseKey() {
    Current.reset();
    CurrentFullPath.clear();
}

bool TRegistryAccessor::KeyExists(const std::string& path) {
    const auto full = Resolve(path);
    return full && ExistsAt(CurrentRoot, *full);
}

bool TRegistryAccessor::DeleteKey(const std::string& path) {
    size_t depth = 0;
    const auto full = Resolve(path, &depth);
    if (!full || depth == 0) return false;
    return DeleteTreeAt(CurrentRoot, *full);
}

std::vector<std::string> TRegistryAccessor::GetKeyNames() {
    if (!Current) return {};
    auto names = Current->SubkeyNames();
    return names ? *names : std::vector<std::string>{};
}

std::optional<TRegistryValue> TRegistryAccessor::ReadValue(const std::string& name) {
    if (!Current) return std::nullopt;
    return Current->Read(name);
}

bool TRegistryAccessor::ValueExists(const std::string& name) { return ReadValue(name).has_value(); }

std::optional<std::string> TRegistryAccessor::ReadString(const std::string& name) {
    auto value = ReadValue(name);
    if (!value || value->Kind != TRegistryValue::String) return std::nullopt;
    return value->Data;
}

std::optional<int32_t> TRegistryAccessor::ReadInteger(const std::string& name) {
    auto value = ReadValue(name);
    if (!value || value->Kind != TRegistryValue::Integer || value->Data.size() != 4)
        return std::nullopt;
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(value->Data[i]);
    return static_cast<int32_t>(u);
}

std::optional<bool> TRegistryAccessor::ReadBool(const std::string& name) {
    auto value = ReadInteger(name);
    if (!value) return std::nullopt;
    return *value != 0;
}

std::optional<std::string> TRegistryAccessor::ReadBinary(const std::string& name) {
    auto value = ReadValue(name);
    if (!value || value->Kind != TRegistryValue::Binary) return std::nullopt;
    return value->Data;
}

std::optional<std::vector<std::string>> TRegistryAccessor::ReadMultiString(
    const std::string& name) {
    auto value = ReadValue(name);
    if (!value || value->Kind != TRegistryValue::MultiString) return std::nullopt;
    std::vector<std::string> strings;
    const std::string& data = value->Data;
    // A writer may leave out the final NULs; the text's end ends the last string then. Another
    // program may leave an empty string inside: it is skipped, and what follows it still counts.
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        if (end > start) strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

bool TRegistryAccessor::WriteString(const std::string& name, const std::string& value) {
    // A string value ends at its first NUL; one inside the text would silently cut it.
    if (!Current || value.find('\0') != std::string::npos) return false;
    return Current->Write(name, {TRegistryValue::String, value});
}

bool TRegistryAccessor::WriteInteger(const std::string& name, int32_t value) {
    return Current && Current->Write(name, IntegerValue(value));
}

bool TRegistryAccessor::WriteBool(const std::string& name, bool value) {
    return WriteInteger(name, value ? 1 : 0);
}

bool TRegistryAccessor::WriteBinary(const std::string& name, const std::string& bytes) {
    return Current && Current->Write(name, {TRegistryValue::Binary, bytes});
}

bool TRegistryAccessor::WriteMultiString(const std::string& name,
                                         const std::vector<std::string>& strings) {
    if (!Current) return false;
    std::string data;
    for (const std::string& text : strings) {
        if (text.empty() || text.find('\0') != std::string::npos) return false;
        data += text;
        data += '\0';
    }
    data += '\0';
    return Current->Write(name, {TRegistryValue::MultiString, data});
}

bool TRegistryAccessor::DeleteValue(const std::string& name) {
    return Current && Current->DeleteValue(name);
}
