#include "FakePop3Server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <set>
#include <sstream>
#include <stdexcept>

#include "pop3/Md5.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// How often a waiting thread looks whether the server is stopping.
constexpr int PollSliceMs = 20;

#ifdef _WIN32
using TSock = SOCKET;
constexpr TSock NoSocket = INVALID_SOCKET;
void CloseSock(TSock s) { closesocket(s); }
bool Readable(TSock s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, ms * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}
#else
using TSock = int;
constexpr TSock NoSocket = -1;
void CloseSock(TSock s) { close(s); }
bool Readable(TSock s, int ms) {
    pollfd p{s, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}
#endif

void SendAll(TSock s, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
#ifdef _WIN32
        int n = send(s, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
#else
        ssize_t n = send(s, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
#endif
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Header lines as sent after "+OK": CR LF at the end, lines starting with "." stuffed.
std::string StuffedHeader(const std::string& header) {
    std::string out;
    size_t start = 0;
    while (start < header.size()) {
        size_t lf = header.find('\n', start);
        size_t end = lf == std::string::npos ? header.size() : lf + 1;
        if (header[start] == '.') out += '.';
        out.append(header, start, end - start);
        start = end;
    }
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out;
}

}  // namespace

// One client connection: reads command lines and answers them.
class TFakePop3Server::TSession {
public:
    TSession(TFakePop3Server& server, TSock socket, int index)
        : Server(server), Socket(socket), Index(index) {}

    void Run() {
        std::string greeting;
        TFakeReply scripted;
        bool hasScript = false;
        {
            std::lock_guard<std::mutex> lock(Server.Lock);
            greeting = Server.Greeting;
            Snapshot = Server.Mailbox;
            if (!Server.GreetingScripts.empty()) {
                scripted = Server.GreetingScripts.front();
                Server.GreetingScripts.erase(Server.GreetingScripts.begin());
                hasScript = true;
            }
        }
        Greeting = greeting;
        if (hasScript ? !Play(scripted) : !Write(greeting)) return Finish();
        std::string line;
        while (ReadLine(line)) {
            Server.Record(Index, line);
            TFakeReply reply;
            if (!Server.TakeScript(line, reply)) {
                std::string answer;
                const bool goOn = Answer(line, answer);
                if (!Write(answer) || !goOn) break;
            } else if (reply.CutAt >= 0) {
                std::string answer;
                Answer(line, answer);
                answer.resize(std::min(answer.size(), static_cast<size_t>(reply.CutAt)));
                if (!Write(answer) || reply.CloseAfter) break;
                Mute = true;
            } else {
                std::string cmd = Upper(Words(line).empty() ? "" : Words(line)[0]);
                if ((cmd == "PASS" || cmd == "APOP") && !reply.Parts.empty() &&
                    reply.Parts[0].compare(0, 3, "+OK") == 0)
                    LoggedIn = true;
                if (!Play(reply)) break;
            }
        }
        Finish();
    }

private:
    void Finish() { CloseSock(Socket); }

    bool Write(const std::string& bytes) {
        if (Server.Stopping) return false;
        // A reply cut short leaves the connection silent: nothing more would make sense.
        if (Mute) return true;
        SendAll(Socket, bytes);
        return true;
    }

    // Plays a scripted reply; false when the connection is to be dropped.
    bool Play(const TFakeReply& reply) {
        for (size_t i = 0; i < reply.Parts.size(); ++i) {
            if (i > 0 && reply.PauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(reply.PauseMs));
            if (!Write(reply.Parts[i])) return false;
        }
        return !reply.CloseAfter;
    }

    bool ReadLine(std::string& line) {
        for (;;) {
            size_t lf = Input.find('\n');
            if (lf != std::string::npos) {
                line = Input.substr(0, lf);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                Input.erase(0, lf + 1);
                return true;
            }
            if (Server.Stopping) return false;
            if (!Readable(Socket, PollSliceMs)) continue;
            char block[4096];
            long n = recv(Socket, block, sizeof block, 0);
            if (n <= 0) return false;
            Input.append(block, static_cast<size_t>(n));
        }
    }

    // A live message by its number, or null.
    const TFakeMessage* Message(const std::string& number) const {
        int n = std::atoi(number.c_str());
        if (n < 1 || n > static_cast<int>(Snapshot.size()) || Deleted.count(n)) return nullptr;
        return &Snapshot[n - 1];
    }

    // The default answer into out; false when the connection ends after it.
    bool Answer(const std::string& line, std::string& out) {
        auto reply = [&out](std::string text) {
            out = std::move(text);
            return true;
        };
        std::vector<std::string> w = Words(line);
        std::string cmd = w.empty() ? "" : Upper(w[0]);
        std::string arg = w.size() > 1 ? w[1] : "";
        if (cmd == "QUIT") {
            if (LoggedIn) ApplyDeletions();
            out = "+OK Logging out.\r\n";
            return false;
        }
        if (cmd == "NOOP") return reply("+OK\r\n");
        if (cmd == "CAPA") return reply(CapaReply());
        if (!LoggedIn) return reply(Authorize(cmd, w, line));
        if (cmd == "STAT") {
            long count = 0, size = 0;
            for (size_t i = 0; i < Snapshot.size(); ++i)
                if (!Deleted.count(static_cast<int>(i + 1))) ++count, size += Snapshot[i].Size;
            return reply("+OK " + std::to_string(count) + " " + std::to_string(size) + "\r\n");
        }
        if (cmd == "RSET") {
            Deleted.clear();
            return reply("+OK\r\n");
        }
        if (cmd == "LIST" || cmd == "UIDL" || cmd == "TOP" || cmd == "DELE" || cmd == "RETR") {
            if (arg.empty() && (cmd == "LIST" || cmd == "UIDL"))
                return reply(Listing(cmd == "LIST"));
            const TFakeMessage* m = Message(arg);
            if (!m) return reply("-ERR There's no message " + arg + ".\r\n");
            if (cmd == "LIST") return reply("+OK " + arg + " " + std::to_string(m->Size) + "\r\n");
            if (cmd == "UIDL") return reply("+OK " + arg + " " + m->Uid + "\r\n");
            if (cmd == "TOP") return reply("+OK\r\n" + StuffedHeader(m->Header) + "\r\n.\r\n");
            if (cmd == "RETR")
                return reply("+OK\r\n" + StuffedHeader(m->Header + "\r\n" + m->Body) + ".\r\n");
            Deleted.insert(std::atoi(arg.c_str()));
            return reply("+OK Marked to be deleted.\r\n");
        }
        return reply("-ERR Unknown command.\r\n");
    }

    std::string Authorize(const std::string& cmd, const std::vector<std::string>& w,
                          const std::string& line) {
        std::string user, password;
        {
            std::lock_guard<std::mutex> lock(Server.Lock);
            user = Server.User;
            password = Server.Password;
        }
        if (cmd == "USER" && w.size() == 2) {
            GivenUser = w[1];
            return "+OK\r\n";
        }
        if (cmd == "PASS" && !GivenUser.empty()) {
            // The password is the rest of the line after "PASS ".
            LoggedIn = GivenUser == user && line.size() > 5 && line.substr(5) == password;
            return LoggedIn ? "+OK Logged in.\r\n" : "-ERR [AUTH] Authentication failed.\r\n";
        }
        if (cmd == "APOP" && w.size() == 3) {
            size_t open = Greeting.find('<'), close = Greeting.find('>');
            std::string stamp = open < close && close != std::string::npos
                                    ? Greeting.substr(open, close - open + 1)
                                    : std::string();
            LoggedIn = !stamp.empty() && w[1] == user && w[2] == TMd5::Hex(stamp + password);
            return LoggedIn ? "+OK Logged in.\r\n" : "-ERR [AUTH] Authentication failed.\r\n";
        }
        return "-ERR Unknown command.\r\n";
    }

    std::string CapaReply() const {
        std::lock_guard<std::mutex> lock(Server.Lock);
        if (Server.Capabilities.empty()) return "-ERR Unknown command.\r\n";
        std::string out = "+OK\r\n";
        for (const std::string& c : Server.Capabilities) out += c + "\r\n";
        return out + ".\r\n";
    }

    std::string Listing(bool sizes) const {
        std::string out = "+OK\r\n";
        for (size_t i = 0; i < Snapshot.size(); ++i) {
            if (Deleted.count(static_cast<int>(i + 1))) continue;
            out += std::to_string(i + 1) + " " +
                   (sizes ? std::to_string(Snapshot[i].Size) : Snapshot[i].Uid) + "\r\n";
        }
        return out + ".\r\n";
    }

    // POP3 deletes at QUIT; messages are matched by identity, as the mailbox may have changed
    // meanwhile.
    void ApplyDeletions() {
        std::lock_guard<std::mutex> lock(Server.Lock);
        for (int n : Deleted) {
            const uint64_t identity = Snapshot[n - 1].Identity;
            auto& box = Server.Mailbox;
            box.erase(std::remove_if(box.begin(), box.end(),
                                     [&](const TFakeMessage& m) { return m.Identity == identity; }),
                      box.end());
        }
    }

    TFakePop3Server& Server;
    TSock Socket;
    int Index;
    std::string Greeting;
    std::string Input;
    std::vector<TFakeMessage> Snapshot;
    std::set<int> Deleted;
    std::string GivenUser;
    bool LoggedIn = false;
    bool Mute = false;
};

TFakePop3Server::TFakePop3Server() {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(0x0202, &data);
#endif
    TSock s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = 0;
    socklen_t size = sizeof at;
    if (s == NoSocket || bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        listen(s, 16) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&at), &size) != 0)
        throw std::runtime_error("fake POP3 server: cannot listen");
    Listener = static_cast<uintptr_t>(s);
    ListenPort = ntohs(at.sin_port);
    Acceptor = std::thread([this] { AcceptLoop(); });
}

TFakePop3Server::~TFakePop3Server() {
    Stopping = true;
    Acceptor.join();
    for (auto& t : Sessions) t.join();
    CloseSock(static_cast<TSock>(Listener));
#ifdef _WIN32
    WSACleanup();
#endif
}

void TFakePop3Server::AcceptLoop() {
    TSock listener = static_cast<TSock>(Listener);
    while (!Stopping) {
        if (!Readable(listener, PollSliceMs)) continue;
        TSock s = accept(listener, nullptr, nullptr);
        if (s == NoSocket) continue;
        int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        int index;
        {
            std::lock_guard<std::mutex> lock(Lock);
            index = static_cast<int>(Received.size());
            Received.emplace_back();
        }
        Sessions.emplace_back([this, s, index] {
            TSession session(*this, s, index);
            session.Run();
        });
    }
}

void TFakePop3Server::SetAccount(const std::string& user, const std::string& password) {
    std::lock_guard<std::mutex> lock(Lock);
    User = user;
    Password = password;
}

void TFakePop3Server::SetGreeting(const std::string& greeting) {
    std::lock_guard<std::mutex> lock(Lock);
    Greeting = greeting;
}

void TFakePop3Server::SetCapabilities(std::vector<std::string> capabilities) {
    std::lock_guard<std::mutex> lock(Lock);
    Capabilities = std::move(capabilities);
}

void TFakePop3Server::SetMessages(std::vector<TFakeMessage> messages) {
    std::lock_guard<std::mutex> lock(Lock);
    for (TFakeMessage& m : messages) {
        if (m.Identity == 0) m.Identity = ++LastIdentity;
        LastIdentity = std::max(LastIdentity, m.Identity);
    }
    Mailbox = std::move(messages);
}

std::vector<TFakeMessage> TFakePop3Server::Messages() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Mailbox;
}

void TFakePop3Server::Script(const std::string& commandPrefix, TFakeReply reply) {
    std::lock_guard<std::mutex> lock(Lock);
    Scripts.push_back({commandPrefix, std::move(reply)});
}

void TFakePop3Server::ScriptGreeting(TFakeReply reply) {
    std::lock_guard<std::mutex> lock(Lock);
    GreetingScripts.push_back(std::move(reply));
}

bool TFakePop3Server::TakeScript(const std::string& line, TFakeReply& reply) {
    std::lock_guard<std::mutex> lock(Lock);
    for (auto it = Scripts.begin(); it != Scripts.end(); ++it) {
        if (line.compare(0, it->Prefix.size(), it->Prefix) == 0) {
            reply = std::move(it->Reply);
            Scripts.erase(it);
            return true;
        }
    }
    return false;
}

void TFakePop3Server::Record(int connection, const std::string& line) {
    std::lock_guard<std::mutex> lock(Lock);
    Received[connection].push_back(line);
}

std::vector<std::vector<std::string>> TFakePop3Server::Connections() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Received;
}

std::vector<std::string> TFakePop3Server::Commands(int connection) const {
    std::lock_guard<std::mutex> lock(Lock);
    if (connection < 0) connection = static_cast<int>(Received.size()) - 1;
    if (connection < 0 || connection >= static_cast<int>(Received.size())) return {};
    return Received[connection];
}

int TFakePop3Server::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(Lock);
    return static_cast<int>(Received.size());
}
