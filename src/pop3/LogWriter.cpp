#include "pop3/LogWriter.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "pop3/Pop3Failure.h"

namespace {

// Guards the table of open writers and every write: one entry at a time in the whole process.
std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

std::map<std::string, std::weak_ptr<TLogWriter>>& OpenWriters() {
    static std::map<std::string, std::weak_ptr<TLogWriter>> writers;
    return writers;
}

// Said in the user's language: the runtime's own text is English.
std::string ReasonText(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return "書き込みが許されていないか、ほかのプログラムがファイルを使っています";
        case ENOSPC:
            return "ディスクがいっぱいです";
        case ENOENT:
        case ENOTDIR:
            return "フォルダが見つかりません";
        default:
            return "エラー番号 " + std::to_string(error);
    }
}

[[noreturn]] void RaiseIoError(int error) { throw EPop3Failure(ReasonText(error)); }

}  // namespace

std::shared_ptr<TLogWriter> TLogWriter::Recreate(const std::string& fileName) {
    // Declared before the lock: a writer dropped on failure must be released after unlocking,
    // since its destructor takes the lock too.
    std::shared_ptr<TLogWriter> writer;
    int error = 0;
    {
        std::lock_guard<std::mutex> lock(LogLock());
        auto& writers = OpenWriters();
        writer = writers[fileName].lock();
        if (!writer) {
            writer.reset(new TLogWriter(fileName));
            writers[fileName] = writer;
        }
        // The file is emptied through a new handle; only once that worked does the old one go,
        // so that a failure here leaves another session's log as it was.
        errno = 0;
        if (std::FILE* file = std::fopen(fileName.c_str(), "wb")) {
            if (writer->File) std::fclose(writer->File);
            writer->File = file;
        } else {
            error = errno ? errno : EIO;
        }
    }
    if (error) RaiseIoError(error);
    return writer;
}

TLogWriter::~TLogWriter() {
    std::lock_guard<std::mutex> lock(LogLock());
    if (File) std::fclose(File);
    auto& writers = OpenWriters();
    auto found = writers.find(FileName);
    // A later Recreate may already have put a new writer under this name.
    if (found != writers.end() && found->second.expired()) writers.erase(found);
}

void TLogWriter::Write(const char* bytes, size_t count) {
    std::lock_guard<std::mutex> lock(LogLock());
    if (!File) RaiseIoError(EBADF);
    errno = 0;
    if (std::fwrite(bytes, 1, count, File) != count || std::fflush(File) != 0)
        RaiseIoError(errno ? errno : EIO);
}
