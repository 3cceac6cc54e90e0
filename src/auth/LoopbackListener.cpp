#include "auth/LoopbackListener.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// Longest single wait between looks at Cancel.
constexpr int WaitSliceMs = 50;
// A browser that connects must send its request within this.
constexpr int RequestTimeOutMs = 5000;

using TClock = std::chrono::steady_clock;

#ifdef _WIN32
using TSocket = SOCKET;
void CloseSocket(TSocket s) { closesocket(s); }
#else
using TSocket = int;
void CloseSocket(TSocket s) { close(s); }
#endif

bool Readable(TSocket s, int ms) {
#ifdef _WIN32
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{ms / 1000, (ms % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
#else
    pollfd fd{s, POLLIN, 0};
    return poll(&fd, 1, ms) == 1;
#endif
}

int MsUntil(TClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The request line of what the browser sent, read until the end of its head.
std::string ReadRequestLine(TSocket s) {
    std::string head;
    const auto deadline = TClock::now() + std::chrono::milliseconds(RequestTimeOutMs);
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos &&
           head.size() < TLoopbackListener::MaxRequest) {
        const int left = MsUntil(deadline);
        if (left == 0 || !Readable(s, left)) break;
        const auto n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<size_t>(n));
    }
    const size_t end = head.find("\r\n");
    return end == std::string::npos ? std::string() : head.substr(0, end);
}

void SendAll(TSocket s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const auto n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

TLoopbackListener::~TLoopbackListener() { Close(); }

bool TLoopbackListener::Open() {
    Close();
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0) return false;
    Started = true;
#endif
    const TSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == static_cast<TSocket>(-1)) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    // Only this machine: never an address another computer could reach.
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        CloseSocket(s);
        return false;
    }
    Socket = static_cast<intptr_t>(s);
    ListenPort = ntohs(address.sin_port);
    return true;
}

TLoopbackRedirect TLoopbackListener::Wait(const std::string& state, int timeoutMs) {
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    const TSocket listening = static_cast<TSocket>(Socket);
    while (Socket != -1 && !Cancelled) {
        const int left = MsUntil(deadline);
        if (left == 0) break;
        if (!Readable(listening, left < WaitSliceMs ? left : WaitSliceMs)) continue;
        const TSocket client = accept(listening, nullptr, nullptr);
        if (client == static_cast<TSocket>(-1)) continue;
        const TLoopbackRedirect redirect = TLoopbackRedirect::Read(ReadRequestLine(client), state);
        SendAll(client, TLoopbackRedirect::Answer(redirect.Kind));
        CloseSocket(client);
        if (redirect.Kind == TLoopbackRedirect::GotCode ||
            redirect.Kind == TLoopbackRedirect::Refused)
            return redirect;
    }
    return TLoopbackRedirect();
}

void TLoopbackListener::Close() {
    if (Socket != -1) CloseSocket(static_cast<TSocket>(Socket));
    Socket = -1;
    ListenPort = 0;
#ifdef _WIN32
    if (Started) WSACleanup();
#endif
    Started = false;
}
