#include "RawPop3Client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace {
bool EndsWith(const std::string& text, const char* tail) {
    size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}
}  // namespace

TRawPop3Client::TRawPop3Client(const std::string& host, int port) {
    Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (Socket < 0 || ::connect(Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to " + host);
    int on = 1;  // one small command per round trip, as TKvSocket sends them
    ::setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ReadReply(false);
}

TRawPop3Client::~TRawPop3Client() {
    if (Socket >= 0) ::close(Socket);
}

size_t TRawPop3Client::Command(const std::string& line, bool multiLine) {
    std::string text = line + "\r\n";
    if (::send(Socket, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("send failed");
    return ReadReply(multiLine);
}

size_t TRawPop3Client::ReadReply(bool multiLine) {
    Last.clear();
    char block[65536];
    const char* end = multiLine ? "\r\n.\r\n" : "\r\n";
    // Replies are not pipelined, so the end of the data read is the end of the reply.
    while (!EndsWith(Last, end)) {
        ssize_t n = ::recv(Socket, block, sizeof block, 0);
        if (n <= 0) throw std::runtime_error("connection closed");
        Last.append(block, static_cast<size_t>(n));
    }
    return Last.size();
}
