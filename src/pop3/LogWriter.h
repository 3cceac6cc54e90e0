#pragma once
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

// The communication log file. Every session logging under the same file name shares one writer, so
// a session that re-creates the file at its connect empties it for all of them instead of racing
// another session's open handle; one process-wide lock keeps each entry whole.
class TLogWriter {
public:
    // Creates the file afresh, or empties it when a session already writes it. Throws
    // EPop3Failure with the reason in Japanese when the file cannot be created; a session
    // already writing under that name then goes on writing where it was.
    static std::shared_ptr<TLogWriter> Recreate(const std::string& fileName);

    ~TLogWriter();
    TLogWriter(const TLogWriter&) = delete;
    TLogWriter& operator=(const TLogWriter&) = delete;

    // Appends one entry and flushes it; throws EPop3Failure when the write fails.
    void Write(const char* bytes, size_t count);

private:
    explicit TLogWriter(std::string fileName) : FileName(std::move(fileName)) {}

    std::string FileName;
    std::FILE* File = nullptr;
};
