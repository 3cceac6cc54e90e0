#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// Writes one message, as a RETR reply brings it, to a file of its own: the bytes after the
// status line go in as they arrive (any cut), dot-stuffing is undone and the "." line that ends
// the reply is not written, so the file holds exactly the message. A copy that did not reach the
// disk whole is removed.
class TMessageCopy {
public:
    TMessageCopy() = default;
    virtual ~TMessageCopy();
    TMessageCopy(const TMessageCopy&) = delete;
    TMessageCopy& operator=(const TMessageCopy&) = delete;

    // Creates the file, and its folder when missing. A name already taken gets "-2", "-3"...
    // before its extension, so no copy replaces another. False when no file could be made.
    bool Open(const std::string& path);
    const std::string& Path() const { return FilePath; }

    // Takes bytes of the reply after its status line; gives how many of them belong to this
    // reply (through its "." line): what follows is the next reply's.
    size_t Feed(const char* bytes, size_t count);
    // One line of the reply with its line end.
    void FeedLine(const std::string& line) { Feed(line.data(), line.size()); }
    // The "." line has come.
    bool Ended() const { return State == TState::Ended; }

    // Closes the file: true when the reply ended and every byte was written; otherwise the file
    // is removed. Without Finish (a failed RETR) the destructor removes it.
    bool Finish();

protected:
    // Writes to the open file; gives how many bytes were written.
    virtual size_t Write(const char* bytes, size_t count);

private:
    enum class TState { LineStart, Dot, DotCr, InLine, AfterCr, Ended };

    void Discard();

    std::string FilePath;
    std::FILE* File = nullptr;
    TState State = TState::LineStart;
    bool Failed = false;
    std::string Pending;  // un-stuffed bytes of the current Feed
};
