// Lists a mailbox the way the worker does (one TOP n 0, LIST n and UIDL n per message) and prints
// "<messages> <seconds> <cpu seconds> <check>" for the client named on the command line:
//   pop3_lister kvsocket|raw HOST PORT USER PASSWORD
// bench/run-pop3-bench runs it beside Python's poplib and prints the table.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "RawPop3Client.h"
#include "pop3/KvSocket.h"

namespace {

struct TRun {
    long Messages = 0;
    size_t Check = 0;  // bytes or lines seen, so that nothing is optimised away
};

TRun ListWithKvSocket(const std::string& host, int port, const std::string& user,
                      const std::string& password) {
    TRun run;
    TKvSocket session;
    session.Host = host;
    session.Port = port;
    session.UserName = user;
    session.Password = password;
    session.TimeOut = 20000;
    session.OnStat = [&run](TKvSocket& s) {
        run.Messages = s.MessageCount;
        for (int32_t n = 1; n <= s.MessageCount; ++n) {
            run.Check += s.Top(n).size();
            run.Check += static_cast<size_t>(s.List(n));
            run.Check += s.Uidl(n).size();
        }
    };
    session.Connect();
    session.Quit();
    return run;
}

TRun ListWithRawSocket(const std::string& host, int port, const std::string& user,
                       const std::string& password) {
    TRun run;
    TRawPop3Client client(host, port);
    client.Command("USER " + user);
    client.Command("PASS " + password);
    client.Command("STAT");
    run.Messages = std::atol(client.Reply().c_str() + 4);  // "+OK n size"
    for (long n = 1; n <= run.Messages; ++n) {
        std::string number = std::to_string(n);
        run.Check += client.Command("TOP " + number + " 0", true);
        run.Check += client.Command("LIST " + number);
        run.Check += client.Command("UIDL " + number);
    }
    client.Command("QUIT");
    return run;
}

// CPU time of this process (user + system): the client's own cost, which other load on the
// machine hardly disturbs.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s kvsocket|raw HOST PORT USER PASSWORD\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    auto list = mode == "raw" ? ListWithRawSocket : ListWithKvSocket;
    try {
        double cpuStart = CpuSeconds();
        auto start = std::chrono::steady_clock::now();
        TRun run = list(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
        std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("%ld %.6f %.6f %zu\n", run.Messages, seconds.count(), CpuSeconds() - cpuStart,
                    run.Check);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", mode.c_str(), e.what());
        return 1;
    }
    return 0;
}
