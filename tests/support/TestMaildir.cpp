#include "TestMaildir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "TestEnv.h"

namespace fs = std::filesystem;

namespace {

// Dovecot's mail processes run as another user than the tests: what a test creates must be writable
// for everyone, or DELE + QUIT answers "+OK" and deletes nothing.
constexpr fs::perms DirPerms = fs::perms::all;
constexpr fs::perms FilePerms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::group_write | fs::perms::others_read |
                                fs::perms::others_write;

// Dovecot orders new files by the leading time stamp of their names.
std::string FileBaseName(size_t n) {
    char name[64];
    std::snprintf(name, sizeof name, "%lu.M%06luP1.prunebox", 1700000000ul + static_cast<unsigned long>(n),
                  static_cast<unsigned long>(n));
    return name;
}

std::string UniqueUserName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    auto now = std::chrono::system_clock::now().time_since_epoch().count();
    std::ostringstream name;
    name << prefix << '-' << std::hex << (static_cast<unsigned long long>(now) & 0xffffffffffull) << '-'
         << device() % 0x10000 << '-' << counter++;
    return name.str();
}

void MakeDir(const fs::path& dir) {
    fs::create_directories(dir);
    fs::permissions(dir, DirPerms);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

std::vector<std::string> TMaildirMessage::TopLines() const {
    std::vector<std::string> lines;
    // Dovecot sends the empty line that ends the header when the file has one (and for an empty
    // file); a file of header lines only ends without it.
    bool emptyLine = Bytes.empty();
    size_t start = 0;
    while (start < Bytes.size()) {
        size_t end = Bytes.find('\n', start);
        if (end == std::string::npos) end = Bytes.size();
        std::string line = Bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            emptyLine = true;
            break;
        }
        lines.push_back(line);
        start = end + 1;
    }
    if (emptyLine) lines.push_back("");
    lines.push_back(".");
    return lines;
}

int32_t TMaildirMessage::Pop3Size() const {
    int32_t size = static_cast<int32_t>(Bytes.size());
    for (size_t i = 0; i < Bytes.size(); ++i)
        if (Bytes[i] == '\n' && (i == 0 || Bytes[i - 1] != '\r')) ++size;
    return size;
}

TestMaildir::TestMaildir(const std::string& namePrefix, const std::vector<std::string>& messages)
    : UserName(UniqueUserName(namePrefix)) {
    fs::path root = TestEnv::MailRoot();
    if (root.empty()) throw std::runtime_error("PB_MAILROOT is not set: no Dovecot fixture");
    Dir = root / UserName;
    for (const char* sub : {"cur", "new", "tmp"}) MakeDir(Dir / sub);
    fs::permissions(Dir, DirPerms);
    for (size_t n = 1; n <= messages.size(); ++n) {
        Ids.push_back(FileBaseName(n));
        fs::path file = Dir / "cur" / (Ids.back() + ":2,");
        std::ofstream out(file, std::ios::binary);
        out.write(messages[n - 1].data(), static_cast<std::streamsize>(messages[n - 1].size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write " + file.string());
        fs::permissions(file, FilePerms);
    }
}

TestMaildir::~TestMaildir() {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
}

void TestMaildir::Deliver(const std::string& bytes) {
    Ids.push_back(FileBaseName(Ids.size() + 1));
    fs::path file = Dir / "new" / Ids.back();
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
    fs::permissions(file, FilePerms);
}

std::vector<std::string> TestMaildir::RemainingIds() const {
    std::vector<std::string> ids;
    for (const TMaildirMessage& message : Read(UserName)) ids.push_back(message.UniqueId);
    return ids;
}

std::vector<TMaildirMessage> TestMaildir::Read(const std::string& user) {
    // Dovecot moves files from new/ to cur/ while a session runs: new/ is listed first so that a
    // file moved meanwhile is seen in cur/ too (one name counts once), and a file gone between
    // listing and reading starts the read again.
    fs::path dir = TestEnv::MailRoot() / user;
    for (int attempt = 1;; ++attempt) {
        std::map<std::string, fs::path> files;
        for (const char* sub : {"new", "cur"}) {
            std::error_code error;
            for (fs::directory_iterator it(dir / sub, error), end; !error && it != end;
                 it.increment(error)) {
                std::string name = it->path().filename().string();
                files[name.substr(0, name.find(':'))] = it->path();
            }
        }
        // Names start with a time stamp of equal width, so name order is Dovecot's order.
        std::vector<TMaildirMessage> messages;
        try {
            for (const auto& file : files) messages.push_back({file.first, ReadFile(file.second)});
            return messages;
        } catch (const std::runtime_error&) {
            if (attempt == 5) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}
