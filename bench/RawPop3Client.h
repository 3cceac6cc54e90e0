#pragma once
#include <cstddef>
#include <string>

// The baseline of the listing benchmark: a bare POP3 client over a BSD socket that sends a command
// and reads its reply to the end (CR LF, or CR LF "." CR LF for TOP) without looking inside.
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

private:
    size_t ReadReply(bool multiLine);

    int Socket = -1;
    std::string Last;
};
