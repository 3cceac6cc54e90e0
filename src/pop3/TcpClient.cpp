#include "pop3/TcpClient.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

// Longest single wait between checks for Abort (and, on Windows, for window messages).
constexpr int WaitSliceMs = 50;
// The session asks for Windows Sockets 1.1; everything it uses exists there.
constexpr unsigned short WinsockVersion = 0x0101;

using TClock = std::chrono::steady_clock;

int MsUntil(TClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

#ifdef _WIN32
bool StartSockets() {
    WSADATA data;
    return WSAStartup(WinsockVersion, &data) == 0;
}
void StopSockets() { WSACleanup(); }
void CloseSocket(SOCKET s) { closesocket(s); }
int LastError() { return WSAGetLastError(); }
bool SetBlocking(SOCKET s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}
// The owning thread stays responsive to its own window messages while it waits.
void ProcessWindowMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
// 1 ready, 0 not yet, -1 error (the caller then lets the read or connect report it).
int WaitSocket(SOCKET s, bool forWrite, int ms) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    int n = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv);
    return n > 0 ? 1 : n;
}
#else
using SOCKET = int;
constexpr int INVALID_SOCKET = -1;
bool StartSockets() { return true; }
void StopSockets() {}
void CloseSocket(int s) { close(s); }
int LastError() { return errno; }
bool SetBlocking(int s, bool blocking) {
    int flags = fcntl(s, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(s, F_SETFL, flags) == 0;
}
void ProcessWindowMessages() {}
// poll rather than select: a descriptor number above FD_SETSIZE must not overflow an fd_set.
int WaitSocket(int s, bool forWrite, int ms) {
    pollfd p{s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    int n = poll(&p, 1, ms);
    if (n < 0 && errno == EINTR) return 0;
    return n > 0 ? 1 : n;
}
#endif

}  // namespace

TTcpClient::TTcpClient() { Started = StartSockets(); }

TTcpClient::~TTcpClient() {
    Close();
    if (Started) StopSockets();
}

TTcpClient::TCheck TTcpClient::Resolve(const std::string& host, uint32_t& address, int timeoutMs) {
    if (Aborted()) return TCheck::Aborted;
    if (!StartSockets()) return TCheck::StartupFailed;
    TCheck result = TCheck::Ok;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe == INVALID_SOCKET) {
        result = TCheck::SocketFailed;
    } else {
        CloseSocket(probe);
        address = inet_addr(host.c_str());
        if (address == INADDR_NONE) result = LookUp(host, address, timeoutMs);
    }
    StopSockets();
    return result;
}

TTcpClient::TCheck TTcpClient::LookUp(const std::string& host, uint32_t& address, int timeoutMs) {
    THostLookup lookup(host, Resolver);
    const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (Aborted()) return TCheck::Aborted;
        const int left = MsUntil(deadline);
        if (lookup.Wait(std::min(left, WaitSliceMs)))
            return lookup.Found(address) ? TCheck::Ok : TCheck::NameNotFound;
        if (left == 0) return TCheck::TimedOut;
        ProcessWindowMessages();
    }
}

bool TTcpClient::Open(uint32_t address, uint16_t port, int timeoutMs) {
    Close();
    if (!Started || Aborted()) return false;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return false;
    {
        std::lock_guard<std::mutex> lock(Guard);
        Socket = static_cast<TSocket>(s);
    }
    // Connect without blocking so that the wait is bounded and Abort can end it.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    bool ok = SetBlocking(s, false);
    if (ok && connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
#ifdef _WIN32
        ok = LastError() == WSAEWOULDBLOCK;
#else
        ok = errno == EINPROGRESS;
#endif
        auto deadline = TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        int ready = 0;
        while (ok && ready == 0 && !Aborted()) {
            int left = MsUntil(deadline);
            if (left == 0) break;
            ready = WaitSocket(s, true, std::min(left, WaitSliceMs));
            if (ready == 0) ProcessWindowMessages();
        }
        int error = 0;
        socklen_t size = sizeof error;
        ok = ok && ready == 1 && !Aborted() &&
             getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
             error == 0;
    }
    ok = ok && SetBlocking(s, true) && !Aborted();
    if (ok) {
        // Commands sent ahead of their replies go out at once, not held back for an
        // acknowledgement of the ones before.
        int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    }
    if (!ok) Close();
    return ok;
}

void TTcpClient::Close() {
    std::lock_guard<std::mutex> lock(Guard);
    if (Socket == InvalidSocket) return;
    CloseSocket(static_cast<SOCKET>(Socket));
    Socket = InvalidSocket;
}

size_t TTcpClient::Write(const char* data, size_t length) {
    size_t done = 0;
    while (done < length && Connected() && !Aborted()) {
#ifdef _WIN32
        int n = send(static_cast<SOCKET>(Socket), data + done, static_cast<int>(length - done), 0);
#else
        ssize_t n = send(Socket, data + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

TByteStream::TEnd TTcpClient::ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) {
    return ReadWhenReadable(
        *this, [this] { return Aborted(); }, buffer, length, timeoutMs, count);
}

TByteStream::TEnd TTcpClient::WriteAll(const char* data, size_t length) {
    const size_t written = Write(data, length);
    if (Aborted()) return TEnd::Aborted;
    if (written == 0) return TEnd::TimedOut;
    return written < length ? TEnd::Failed : TEnd::Done;
}

TTcpClient::TWait TTcpClient::WaitReadable(int timeoutMs) {
    auto deadline = TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (Aborted()) return TWait::Aborted;
        int left = MsUntil(deadline);
        // An error is left to the read that follows, which reports it.
        if (WaitSocket(static_cast<SOCKET>(Socket), false, std::min(left, WaitSliceMs)) != 0)
            return Aborted() ? TWait::Aborted : TWait::Readable;
        if (left == 0) return TWait::TimedOut;
        ProcessWindowMessages();
    }
}

long TTcpClient::Read(char* buffer, size_t length) {
    for (;;) {
#ifdef _WIN32
        long n = recv(static_cast<SOCKET>(Socket), buffer, static_cast<int>(length), 0);
#else
        long n = recv(Socket, buffer, length, 0);
        if (n < 0 && errno == EINTR) continue;
#endif
        return n;
    }
}

void TTcpClient::Abort() {
    std::lock_guard<std::mutex> lock(Guard);
    AbortRequested = true;
#ifdef _WIN32
    if (Socket != InvalidSocket) shutdown(static_cast<SOCKET>(Socket), SD_BOTH);
#else
    if (Socket != InvalidSocket) shutdown(Socket, SHUT_RDWR);
#endif
}

std::string TTcpClient::LastErrorText() {
#ifdef _WIN32
    int code = LastError();
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') text[--n] = '\0';
    return n ? std::string(text, n) : "Winsock error " + std::to_string(code);
#else
    return std::system_category().message(LastError());
#endif
}
