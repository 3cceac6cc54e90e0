#include "RawPop3Client.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>
#include <stdexcept>

namespace {
#ifdef _WIN32
using TSocket = SOCKET;
void CloseSocket(TSocket s) { ::closesocket(s); }
bool Invalid(TSocket s) { return s == INVALID_SOCKET; }
#else
using TSocket = int;
void CloseSocket(TSocket s) { ::close(s); }
bool Invalid(TSocket s) { return s < 0; }
#endif

TSocket Native(long long socket) { return static_cast<TSocket>(socket); }

// Where the reply at the start of text ends; npos while it is incomplete. A TOP reply that is
// not "+OK" is one line.
size_t ReplyEnd(const std::string& text, size_t from, bool multiLine) {
    const size_t status = text.find("\r\n", from);
    if (status == std::string::npos || !multiLine || text.compare(from, 3, "+OK") != 0)
        return status == std::string::npos ? status : status + 2;
    const size_t end = text.find("\r\n.\r\n", status);
    return end == std::string::npos ? end : end + 5;
}
}  // namespace

TRawPop3Client::TRawPop3Client(const std::string& host, int port) {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    const TSocket s = ::socket(AF_INET, SOCK_STREAM, 0);
    Socket = static_cast<long long>(s);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (Invalid(s) || ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to " + host);
    int on = 1;  // one small command per round trip, as TKvSocket sends them
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    TakeReply(false);
}

TRawPop3Client::~TRawPop3Client() {
    if (!Invalid(Native(Socket))) CloseSocket(Native(Socket));
#ifdef _WIN32
    WSACleanup();
#endif
}

void TRawPop3Client::Send(const std::string& text) {
    const int sent = static_cast<int>(::send(Native(Socket), text.data(), static_cast<int>(text.size()), 0));
    if (sent != static_cast<int>(text.size())) throw std::runtime_error("send failed");
}

size_t TRawPop3Client::Command(const std::string& line, bool multiLine) {
    Send(line + "\r\n");
    return TakeReply(multiLine);
}

size_t TRawPop3Client::TakeReply(bool multiLine) {
    char block[65536];
    size_t end;
    while ((end = ReplyEnd(Pending, Taken, multiLine)) == std::string::npos) {
        // Replies taken are dropped only now and then, not moved at every reply.
        Pending.erase(0, Taken);
        Taken = 0;
        const int n = static_cast<int>(::recv(Native(Socket), block, sizeof block, 0));
        if (n <= 0) throw std::runtime_error("connection closed");
        Pending.append(block, static_cast<size_t>(n));
    }
    Last.assign(Pending, Taken, end - Taken);
    Taken = end;
    return Last.size();
}

size_t TRawPop3Client::ListPipelined(long count, long window) {
    size_t bytes = Command("LIST", true) + Command("UIDL", true);
    long sent = 0;
    for (long taken = 0; taken < count; ++taken) {
        // One send per batch: the commands of a window travel together.
        if (sent < count && sent - taken < window / 2 + 1) {
            std::string batch;
            for (; sent < count && sent - taken < window; ++sent)
                batch += "TOP " + std::to_string(sent + 1) + " 0\r\n";
            Send(batch);
        }
        bytes += TakeReply(true);
    }
    return bytes;
}
