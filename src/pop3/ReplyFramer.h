#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The bytes a session has received and not yet taken, cut into POP3 replies: a single line up to
// its LF, or a multi-line reply through its "." line. One buffer per session, reused for every
// read and every reply, so that once it has grown to its working size nothing is allocated.
class TReplyFramer {
public:
    enum class TFrame { Incomplete, Complete, TooLong };

    // Room for one read of up to size bytes after what is buffered.
    char* ReadSpace(size_t size);
    // size bytes were read into the room ReadSpace gave.
    void Received(size_t size);
    // Forgets whatever is buffered.
    void Clear();
    size_t Buffered() const { return End - Start; }

    // One line, its LF included (a bare LF ends a line as CR LF does), copied into reply.
    TFrame TakeLine(std::string& reply, size_t maxLength);
    // A multi-line reply: the status line, and when that is positive everything through the line
    // "." CR LF. A status line that is not positive comes alone.
    TFrame TakeMultiLine(std::string& reply, size_t maxLength);
    // The text of a multi-line reply whose positive status line TakeLine gave, in pieces, so
    // that a long one is never held whole: StartBody, then TakeBody after each read takes what
    // is buffered, up to and including the "." line at most. piece stays valid until the next
    // ReadSpace; Complete when it ends the reply.
    void StartBody();
    TFrame TakeBody(const char*& piece, size_t& length);

    // A positive status line is exactly "+OK" or begins with "+OK " (its line end may follow).
    static bool IsPositive(const std::string& statusLine);
    static bool PositiveLine(const char* line, size_t length);
    // The status line of a reply without its line end.
    static std::string StatusLine(const std::string& reply);

private:
    void Take(std::string& reply, size_t length);

    std::vector<char> Buffer;
    size_t Start = 0;    // first byte not yet taken
    size_t End = 0;      // one past the last byte received
    size_t Scanned = 0;  // bytes after Start already searched for the end of the reply
    size_t Matched = 0;  // bytes of CR LF "." CR LF that the body taken so far ends with
};
