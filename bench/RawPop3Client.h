#pragma once
#include <cstddef>
#include <string>

// The baseline of the listing benchmarks: a bare POP3 client over a socket (BSD, or Winsock
// under Wine) that reads each reply to its end (CR LF, or CR LF "." CR LF for TOP) without
// looking inside.
class TRawPop3Client {
public:
    TRawPop3Client(const std::string& host, int port);  // connects and reads the greeting
    ~TRawPop3Client();
    TRawPop3Client(const TRawPop3Client&) = delete;
    TRawPop3Client& operator=(const TRawPop3Client&) = delete;

    // Sends line + CR LF; returns the number of reply bytes read.
    size_t Command(const std::string& line, bool multiLine = false);
    // The whole last reply (valid until the next command).
    const std::string& Reply() const { return Last; }
    // LIST and UIDL of the whole mailbox, then TOP n 0 for messages 1..count, sent `window`
    // commands ahead of the replies read; returns the reply bytes read.
    size_t ListPipelined(long count, long window);

private:
    void Send(const std::string& text);
    // Reads until Pending holds a whole reply; takes it off and returns its size.
    size_t TakeReply(bool multiLine);

    long long Socket = -1;
    std::string Last;
    std::string Pending;  // bytes read; those before Taken are replies already taken
    size_t Taken = 0;
};
