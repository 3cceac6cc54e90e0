#pragma once

// Where the settings live. The root is under the current user; the other keys are below it.
// The root's text is also the string-table entry 65275.
constexpr const char kRegistryRootPath[] = "\\Software\\Korvane\\Prunebox";
constexpr const char kSetupKey[] = "\\Setup";
constexpr const char kConnectKey[] = "\\Connect";
// The sender lists every account shares.
constexpr const char kSendersKey[] = "\\Senders";
// Under the local machine: the default mail program and, below it, one key per program.
constexpr const char kMailClientsKey[] = "\\SOFTWARE\\Clients\\Mail";
// Under the current user's hive: the programs Windows starts at logon, and the program's value.
constexpr const char kRunKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char kRunValueName[] = "Prunebox";
