#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "pop3/Pop3Reply.h"
#include "pop3/ReplyFramer.h"

// One batch of like commands and their replies, matched in order. To a server that pipelines the
// commands go out ahead of their replies in a bounded window, topped up when half of it is
// answered; otherwise one at a time. The replies must stay in step with the commands, and the
// batch ends the session (EPop3Desync from the link) when they do not: bytes waiting before a
// command goes out, or a closing command whose reply does not say what it must; sent ahead also
// bytes after its last reply and a line that cannot start a reply where one is due.
class TPop3Pipeline {
public:
    // At most this many commands, and this many bytes of them, are in flight. The byte bound
    // stays far below any socket buffer, so that a write never waits for the server to read while
    // the server waits for us to read its replies. Under Wine each round trip costs the server's
    // wake-ups too: the fewer top-ups a listing needs, the sooner it ends.
    static constexpr size_t MaxCommands = 256;
    static constexpr size_t MaxBytes = 4096;

    // The session below the pipeline. Every call that fails throws and leaves the connection
    // closed, except a refusal of the session's own that it keeps the connection for.
    class TLink {
    public:
        virtual ~TLink() = default;
        // The command in progress is now command index of the batch, or its closing one.
        virtual void Begin(size_t index, bool closing) = 0;
        // Throws when line is not exactly one command line ending in CR LF.
        virtual void CheckLine(const std::string& line) = 0;
        virtual void Write(const std::string& bytes) = 0;
        // One command of what was written, for the communication log.
        virtual void Sent(const char* line, size_t length) = 0;
        // Reads the reply to the command in progress; Reply() then holds it.
        virtual TPop3Reply::TStatus Receive(bool multiLine) = 0;
        virtual const std::string& Reply() const = 0;
        // The reply is a refusal, or nonsense, where an answer was due.
        [[noreturn]] virtual void Refuse() = 0;
        // The replies no longer match the commands: the connection closes without QUIT.
        [[noreturn]] virtual void Desync(const std::string& serverText) = 0;
        // A failure left replies on their way: closes the connection, so that they never pass for
        // the answers to later commands.
        virtual void Abandon() = 0;
        // No command is in progress.
        virtual void End() = 0;
    };

    struct TBatch {
        size_t Count = 0;
        bool MultiLine = false;
        std::function<bool(size_t)> MultiLineOf;  // when set, whether reply i is multi-line
        // With it a "-ERR" reply is an answer: its Replied is skipped and Run returns false.
        bool MayRefuse = false;
        std::function<std::string(size_t)> Line;  // command i, CR LF included
        std::function<void(size_t)> Before;       // just before reply i is read
        std::function<void(size_t)> Replied;      // after a positive reply i
        std::function<void(size_t)> Refused;      // after a refusal taken as an answer
        // The batch ends with ClosingLine, whose reply InStep must accept. A reply cut short by a
        // "." line the server did not stuff leaves every later one behind, and a TOP status line
        // looks like any other: a closing STAT shows such a shift.
        std::string ClosingLine;
        std::function<bool(const std::string&)> InStep;
    };

    TPop3Pipeline(TLink& link, TReplyFramer& framer) : Link(link), Framer(framer) {}

    // Sends the batch and reads its replies, ahead of them when ahead; false when one was refused.
    bool Run(const TBatch& batch, bool ahead);
    // True while a batch runs ahead of its replies.
    bool Ahead() const { return SentAhead; }

private:
    void TopUp();
    // Reads the next reply; false when it was a refusal taken as an answer.
    bool TakeReply();
    // Bytes received beyond the last reply, before new commands go out: out of step.
    void TakeUnasked();

    TLink& Link;
    TReplyFramer& Framer;
    const TBatch* Batch = nullptr;
    bool SentAhead = false;
    size_t Window = 1;
    size_t Total = 0;  // the batch's commands and the closing one
    size_t Sent = 0, Done = 0, Bytes = 0;
    std::vector<size_t> Lengths;  // of the commands in flight, by index modulo Window
    std::string Outgoing;         // the commands of one write, reused
};
