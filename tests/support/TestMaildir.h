#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// One message file of a Maildir in the private Dovecot's mail root.
struct TMaildirMessage {
    std::string UniqueId;  // file name before ":2,", which is what Dovecot's UIDL answers
    std::string Bytes;     // the file as stored

    // Header lines as Dovecot answers TOP n 0: line ends removed, then the empty line and ".".
    std::vector<std::string> TopLines() const;
    // Size as LIST reports it (every line end counted as CR LF).
    int32_t Pop3Size() const;
};

// A fresh mailbox of its own for one test: a Maildir for a user name nobody else uses, filled with
// the given raw messages before the first login and removed again when the object goes.
class TestMaildir {
public:
    // Dovecot numbers the messages 1..n in the order given.
    TestMaildir(const std::string& namePrefix, const std::vector<std::string>& messages);
    ~TestMaildir();
    TestMaildir(const TestMaildir&) = delete;
    TestMaildir& operator=(const TestMaildir&) = delete;

    const std::string& User() const { return UserName; }
    // Unique id of message n (1-based) as created.
    const std::string& UniqueId(size_t n) const { return Ids.at(n - 1); }
    // A message arriving after the first login: it comes last.
    void Deliver(const std::string& bytes);
    // Unique ids of the message files still there, in message order.
    std::vector<std::string> RemainingIds() const;

    // Message files of user's Maildir (cur/ and new/), in the order Dovecot numbers them.
    static std::vector<TMaildirMessage> Read(const std::string& user);

private:
    std::string UserName;
    std::filesystem::path Dir;
    std::vector<std::string> Ids;
};
