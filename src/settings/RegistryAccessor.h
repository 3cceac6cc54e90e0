#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The hives the program uses: its own settings live under the current user; the default mail
// program is looked up under the local machine; the start with Windows is a value in the current
// user's hive outside the program's key.
enum class TRegistryRoot { CurrentUser, LocalMachine, CurrentUserHive };

// One stored value as a backend sees it: its kind and its raw bytes (a string without its
// terminator, an integer as four little-endian bytes, a multi-string as stored: each string
// followed by a NUL, then one more NUL).
struct TRegistryValue {
    enum TKind { String, Integer, Binary, MultiString, Other };
    TKind Kind = Other;
    std::string Data;
};

// The components of a key path, split at "\" (never at the second byte of a Shift_JIS character);
// empty components are dropped.
std::vector<std::string> SplitKeyPath(const std::string& path);

// One open key of a backend. Reads and writes of a key that was deleted after it was opened fail.
class TRegistryKey {
public:
    virtual ~TRegistryKey() = default;
    virtual std::optional<TRegistryValue> Read(const std::string& name) = 0;
    virtual bool Write(const std::string& name, const TRegistryValue& value) = 0;
    virtual bool DeleteValue(const std::string& name) = 0;
    virtual std::optional<std::vector<std::string>> SubkeyNames() = 0;
};

// The registry accessor: opening a key makes it the current key, and value operations address the
// current key. A key that cannot be opened leaves no key current, so nothing read or written after
// a failed open can land in the key that was current before.
//
// Paths: one beginning with "\" starts at the root (under the current user the program's own key,
// under the local machine and the current user's hive the hive's top, each unless the backend was
// given another base); any other path is taken below the current key and fails when no key is
// current.
class TRegistryAccessor {
public:
    virtual ~TRegistryAccessor() = default;
    TRegistryAccessor(const TRegistryAccessor&) = delete;
    TRegistryAccessor& operator=(const TRegistryAccessor&) = delete;

    // Switches the hive; no key is current afterwards.
    void SetRoot(TRegistryRoot root);
    TRegistryRoot Root() const { return CurrentRoot; }

    bool OpenKey(const std::string& path, bool canCreate);
    // Opens again, without creating it, a key by the path CurrentPath() gave for it.
    bool ReopenKey(const std::string& currentPath);
    void CloseKey();
    bool HasCurrentKey() const { return Current != nullptr; }
    // Path of the current key from the hive's top, components joined by "\"; empty when none.
    const std::string& CurrentPath() const { return CurrentFullPath; }

    bool KeyExists(const std::string& path);
    // Deletes the key with all its subkeys; refuses a path that names no key below its base.
    bool DeleteKey(const std::string& path);
    // Subkey names of the current key in the order the backend lists them.
    std::vector<std::string> GetKeyNames();

    bool ValueExists(const std::string& name);
    // Each read gives nothing when the value is missing, of another kind, or no key is current.
    std::optional<std::string> ReadString(const std::string& name);
    std::optional<int32_t> ReadInteger(const std::string& name);
    std::optional<bool> ReadBool(const std::string& name);
    std::optional<std::string> ReadBinary(const std::string& name);
    // The strings of a multi-string value, every one to its end; empty ones are skipped.
    std::optional<std::vector<std::string>> ReadMultiString(const std::string& name);

    bool WriteString(const std::string& name, const std::string& value);
    bool WriteInteger(const std::string& name, int32_t value);
    bool WriteBool(const std::string& name, bool value);
    bool WriteBinary(const std::string& name, const std::string& bytes);
    // Refuses a list holding an empty string or one with a NUL: either would end it early.
    bool WriteMultiString(const std::string& name, const std::vector<std::string>& strings);
    bool DeleteValue(const std::string& name);

protected:
    // Bases under each hive, as paths from the hive's top ("Software\\Korvane\\Prunebox");
    // `userHiveBase` is where CurrentUserHive starts (the hive's top but in tests).
    TRegistryAccessor(std::string userBase, std::string machineBase, std::string userHiveBase);

    // Backend primitives; `fullPath` is from the hive's top, components joined by one "\", no
    // leading or trailing "\" (empty: the hive's top).
    virtual std::unique_ptr<TRegistryKey> OpenAt(TRegistryRoot root, const std::string& fullPath,
                                                 bool canCreate) = 0;
    virtual bool ExistsAt(TRegistryRoot root, const std::string& fullPath) = 0;
    virtual bool DeleteTreeAt(TRegistryRoot root, const std::string& fullPath) = 0;

private:
    // Full path for `path`, or nothing when it is relative and no key is current. `depth` gets
    // the number of components added below the base it was resolved against.
    std::optional<std::string> Resolve(const std::string& path, size_t* depth = nullptr) const;
    std::optional<TRegistryValue> ReadValue(const std::string& name);

    std::string UserBase;
    std::string MachineBase;
    std::string UserHiveBase;
    TRegistryRoot CurrentRoot = TRegistryRoot::CurrentUser;
    std::unique_ptr<TRegistryKey> Current;
    std::string CurrentFullPath;
};
