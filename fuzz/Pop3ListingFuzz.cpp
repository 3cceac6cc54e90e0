// The pipelined listing against a server driven by the input: CAPA, STAT, LIST, UIDL (or one
// UIDL n per message) and a batch of TOP n 0, as the worker lists a mailbox. The server never
// dot-stuffs the header bytes it is given and may send stray bytes after a reply. Each header
// starts with a line naming its own message number, which the input cannot forge, so a reply
// taken for another message's shows: the listing either fails or gives every message its own
// size, id and header, never shifted.
// Input: byte 0 the message count (1 to 6), byte 1 flags (1 PIPELINING, 2 refuse the UIDL
// listing, 4 status lines with text), byte 2 which reply after STAT the stray bytes follow, then
// the header bodies of messages 1 to n and the stray bytes, separated by NUL bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "pop3/KvSocket.h"

namespace {

struct TScript {
    int Count = 1;
    bool Pipelining = false;
    bool RefuseUidlListing = false;
    bool StatusText = false;
    int StrayAfter = -1;  // replies after STAT's, from 0
    std::vector<std::string> Headers;
    std::string Stray;
};

const std::string NumberLine = "X-Number: ";

// The input's bytes with every "X-Number" spelled otherwise: only the server names a message.
std::string Unforged(std::string bytes) {
    for (size_t at = 0; (at = bytes.find("X-Number", at)) != std::string::npos;)
        bytes[at + 7] = '_';
    return bytes;
}

TScript ScriptOf(const uint8_t* data, size_t size) {
    TScript script;
    script.Count = 1 + data[0] % 6;
    script.Pipelining = data[1] & 1;
    script.RefuseUidlListing = data[1] & 2;
    script.StatusText = data[1] & 4;
    script.StrayAfter = data[2] % (script.Count + 4);
    std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    size_t start = 0;
    for (int i = 0; i <= script.Count; ++i) {
        const size_t end = rest.find('\0', start);
        std::string part = rest.substr(start, end == std::string::npos ? end : end - start);
        if (i < script.Count) {
            script.Headers.push_back(Unforged(part));
        } else {
            script.Stray = Unforged(part);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    script.Headers.resize(script.Count);
    return script;
}

int Listener(int& port) {
    static int fd = -1, bound = 0;
    if (fd < 0) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd, 4) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            __builtin_trap();
        bound = ntohs(address.sin_port);
    }
    port = bound;
    return fd;
}

std::string Reply(const TScript& script, const std::string& command, int& replies) {
    const std::string ok = script.StatusText ? "+OK here\r\n" : "+OK\r\n";
    const int n = script.Count;
    if (command == "USER u" || command == "PASS p") return "+OK\r\n";
    if (command == "CAPA")
        return ok + "TOP\r\nUIDL\r\n" + (script.Pipelining ? "PIPELINING\r\n" : "") + ".\r\n";
    if (command == "STAT") {
        replies = 0;
        return "+OK " + std::to_string(n) + " 9999\r\n";
    }
    std::string reply;
    int number = 0;
    if (command == "LIST") {
        reply = ok;
        for (int k = 1; k <= n; ++k)
            reply += std::to_string(k) + " " + std::to_string(1000 + k) + "\r\n";
        reply += ".\r\n";
    } else if (command == "UIDL") {
        if (script.RefuseUidlListing) {
            reply = "-ERR no listing\r\n";
        } else {
            reply = ok;
            for (int k = 1; k <= n; ++k)
                reply += std::to_string(k) + " uid-" + std::to_string(k) + "\r\n";
            reply += ".\r\n";
        }
    } else if (std::sscanf(command.c_str(), "UIDL %d", &number) == 1 && number >= 1 &&
               number <= n) {
        reply = "+OK " + std::to_string(number) + " uid-" + std::to_string(number) + "\r\n";
    } else if (std::sscanf(command.c_str(), "TOP %d 0", &number) == 1 && number >= 1 &&
               number <= n) {
        // Not dot-stuffed: a "." line in the header ends the reply early.
        reply = ok + NumberLine + std::to_string(number) + "\r\n" + script.Headers[number - 1] +
                "\r\n\r\n.\r\n";
    } else {
        reply = "-ERR\r\n";
    }
    if (replies++ == script.StrayAfter) reply += script.Stray;
    return reply;
}

// Serves one connection; closes it when the client has been silent for a while, so that a
// client waiting for bytes that will never come fails at once.
void Serve(int listener, const TScript& script) {
    pollfd waiting{listener, POLLIN, 0};
    if (poll(&waiting, 1, 2000) <= 0) return;
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) return;
    int replies = -1;
    std::string pending = "+OK ready <1.2@fuzz>\r\n";
    std::string input;
    for (;;) {
        if (!pending.empty() && send(fd, pending.data(), pending.size(), MSG_NOSIGNAL) < 0) break;
        pending.clear();
        pollfd client{fd, POLLIN, 0};
        if (poll(&client, 1, 30) <= 0) break;
        char buffer[4096];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        input.append(buffer, static_cast<size_t>(got));
        bool quit = false;
        for (size_t lf; (lf = input.find("\r\n")) != std::string::npos;) {
            const std::string command = input.substr(0, lf);
            input.erase(0, lf + 2);
            if (command == "QUIT") quit = true;
            pending += Reply(script, command, replies);
        }
        if (quit) {
            send(fd, pending.data(), pending.size(), MSG_NOSIGNAL);
            break;
        }
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const TScript script = ScriptOf(data, size);
    int port = 0;
    const int listener = Listener(port);
    std::thread server([&] { Serve(listener, script); });

    std::vector<int32_t> sizes;
    std::vector<std::string> uids;
    std::vector<std::string> numberLines;  // of each header, joined
    bool listed = false;
    {
        TKvSocket session;
        session.Host = "127.0.0.1";
        session.Port = port;
        session.UserName = "u";
        session.Password = "p";
        session.TimeOut = 2000;
        try {
            session.Connect();
            sizes = session.ListAll();
            uids = session.UidlAll();
            session.TopAll(static_cast<int32_t>(sizes.size()), nullptr,
                           [&](int32_t, const std::vector<std::string>& header) {
                               std::string named;
                               for (const std::string& line : header) {
                                   if (line.compare(0, NumberLine.size(), NumberLine) == 0)
                                       named += line + ";";
                               }
                               numberLines.push_back(named);
                           });
            listed = true;
        } catch (const EPop3Failure&) {
            listed = false;  // a failure is a sound answer to any of this
        }
    }  // closed: the server sees the end at once
    server.join();
    if (!listed) return 0;
    if (sizes.size() != size_t(script.Count) || uids.size() != sizes.size() ||
        numberLines.size() != sizes.size())
        __builtin_trap();
    for (int k = 1; k <= script.Count; ++k) {
        if (sizes[k - 1] != 1000 + k || uids[k - 1] != "uid-" + std::to_string(k) ||
            numberLines[k - 1] != NumberLine + std::to_string(k) + ";")
            __builtin_trap();
    }
    return 0;
}
