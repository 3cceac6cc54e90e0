#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class TLogWriter;

// The communication log as one session writes it: what went out and what came back, each entry
// marked with the number of its command. A write that fails stops the log for this connection
// and tells Stopped why, once; the mail work goes on.
class TSessionLog {
public:
    std::function<void(const std::string& reason)> Stopped;

    // Creates or empties fileName for this connection; throws EPop3Failure when it cannot.
    void Start(const std::string& fileName);
    // Nothing is logged on this connection.
    void Off();
    // Entries are only built while the log is written.
    bool On() const { return static_cast<bool>(Writer); }

    void Write(const char* bytes, size_t count);
    void Entry(const std::string& entry);
    // A command line as sent (a password never: masked is logged in its place when not empty).
    void Sent(int command, const char* line, size_t length, const char* masked);
    // A reply as received; refused marks a reply that is not "+OK".
    void Received(int command, const std::string& reply, bool refused);

private:
    std::shared_ptr<TLogWriter> Writer;
};
