// Lists a mailbox and prints "<messages> <seconds> <cpu seconds> <check>" for the client named on
// the command line:
//   pop3_lister worker|kvsocket|raw|pipelined HOST PORT USER PASSWORD [LIMIT]
// check: two periodic checks of one worker, the first a full listing, the second finding nothing
// new; prints "<messages> <first seconds> <second seconds> <check>".
// worker: the account worker with a page that records the rows (one LIST, one UIDL, TOP n 0 sent
// ahead when the server pipelines); kvsocket and raw: one TOP n 0, LIST n and UIDL n per message,
// each answered before the next, through TKvSocket or a bare socket; pipelined: the bare socket
// with LIST, UIDL and TOP n 0 for all, 200 commands ahead of the replies. LIMIT lists only the first
// messages (the lock-step clients over a slow link). bench/run-pop3-bench prints the table.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "RawPop3Client.h"
#include "RecordingPage.h"
#include "pop3/KvSocket.h"
#include "worker/Connect.h"

namespace {

struct TRun {
    long Messages = 0;
    size_t Check = 0;  // bytes or lines seen, so that nothing is optimised away
};

long Limit = 0;  // 0: every message

long Limited(long count) { return Limit > 0 && Limit < count ? Limit : count; }

// The recording page's login fields, as a user would fill them.
void PointAt(TRecordingPage& page, const std::string& host, int port, const std::string& user,
             const std::string& password) {
    page.Server = host + ":" + std::to_string(port);
    page.User = user;
    page.Password = password;
}

TRun ListWithWorker(const std::string& host, int port, const std::string& user,
                    const std::string& password) {
    TRun run;
    TRecordingPage page;
    PointAt(page, host, port, user, password);
    TConnectPtr worker = TConnect::Create(1, page);
    if (!worker->Resume(TConnect::CmdConnect, page.Inputs()) || !worker->WaitIdle(3600 * 1000))
        throw std::runtime_error("the worker did not end");
    for (const TMailRow& row : page.CurrentRows()) {
        ++run.Messages;
        run.Check += row.Columns[TMailRow::Title].size() + row.Columns[TMailRow::Uidl].size();
    }
    if (run.Messages == 0) throw std::runtime_error("no rows: " + page.Status(0));
    worker->Resume(TConnect::CmdDisconnect, page.Inputs());
    worker->WaitIdle(60000);
    return run;
}

// One periodic check of the worker; its seconds.
double TimedCheck(TConnect& worker, TRecordingPage& page, TRun& run) {
    page.ClearEvents();
    const auto start = std::chrono::steady_clock::now();
    if (!worker.Resume(TConnect::CmdCheck, page.Inputs()) || !worker.WaitIdle(3600 * 1000))
        throw std::runtime_error("the check did not end");
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (page.LastCheck.Outcome != TCheckOutcome::Done || page.Events({"check"}).size() != 1)
        throw std::runtime_error("the check failed: " + page.Status(0));
    run.Messages = 0;
    for (const TMailRow& row : page.CurrentRows()) {
        ++run.Messages;
        run.Check += row.Columns[TMailRow::Title].size();
    }
    return seconds.count();
}

int CheckTwice(const std::string& host, int port, const std::string& user,
               const std::string& password) {
    TRun run;
    TRecordingPage page;
    PointAt(page, host, port, user, password);
    TConnectPtr worker = TConnect::Create(1, page);
    const double first = TimedCheck(*worker, page, run);
    const long listed = run.Messages;
    const double second = TimedCheck(*worker, page, run);
    if (run.Messages != listed || page.LastCheck.Arrived.size() != 0)
        throw std::runtime_error("the second check saw another mailbox");
    std::printf("%ld %.6f %.6f %zu\n", run.Messages, first, second, run.Check);
    return 0;
}

TRun ListWithKvSocket(const std::string& host, int port, const std::string& user,
                      const std::string& password) {
    TRun run;
    TKvSocket session;
    session.Host = host;
    session.Port = port;
    session.UserName = user;
    session.Password = password;
    session.TimeOut = 20000;
    session.Connect();
    run.Messages = Limited(session.MessageCount);
    for (int32_t n = 1; n <= run.Messages; ++n) {
        run.Check += session.Top(n).size();
        run.Check += static_cast<size_t>(session.List(n));
        run.Check += session.Uidl(n).size();
    }
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
    run.Messages = Limited(std::atol(client.Reply().c_str() + 4));  // "+OK n size"
    for (long n = 1; n <= run.Messages; ++n) {
        std::string number = std::to_string(n);
        run.Check += client.Command("TOP " + number + " 0", true);
        run.Check += client.Command("LIST " + number);
        run.Check += client.Command("UIDL " + number);
    }
    client.Command("QUIT");
    return run;
}

TRun ListPipelined(const std::string& host, int port, const std::string& user,
                   const std::string& password) {
    TRun run;
    TRawPop3Client client(host, port);
    client.Command("USER " + user);
    client.Command("PASS " + password);
    client.Command("STAT");
    run.Messages = Limited(std::atol(client.Reply().c_str() + 4));
    run.Check = client.ListPipelined(run.Messages, 200);
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
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr,
                     "usage: %s worker|kvsocket|raw|pipelined|check HOST PORT USER PASSWORD [LIMIT]\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    if (argc == 7) Limit = std::atol(argv[6]);
    if (mode == "check") {
        try {
            return CheckTwice(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "check: %s\n", e.what());
            return 1;
        }
    }
    auto list = mode == "raw"         ? ListWithRawSocket
                : mode == "pipelined" ? ListPipelined
                : mode == "worker"    ? ListWithWorker
                                      : ListWithKvSocket;
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
