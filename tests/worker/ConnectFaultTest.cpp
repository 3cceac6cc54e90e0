// Randomized faults: drops, silences, negative replies and a mailbox that changes between
// connections, at random points. Whatever happens, only ticked mail may go, and every command ends
// with the worker idle and the buttons usable.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "FakePop3Server.h"
#include "WorkerHarness.h"

namespace {

using TLines = std::vector<std::string>;

class TFaultRun {
public:
    explicit TFaultRun(unsigned seed) : Random(seed) {}

    void Run(bool pipelining) {
        if (pipelining) Server.SetCapabilities({"TOP", "UIDL", "PIPELINING"});
        const int count = Pick(1, 8);
        std::vector<TFakeMessage> mailbox;
        for (int i = 1; i <= count; ++i) mailbox.push_back(Message(NextId++));
        Server.SetMessages(mailbox);

        TWorkerHarness account("127.0.0.1:" + std::to_string(Server.Port()), "user", "secret");
        account.Worker->TimeOut = 200;
        MaybeFaults();
        Command(account, TConnect::CmdConnect);

        std::set<std::string> ticked;
        account.Page.TickWhere([&](const TMailRow& row) {
            const bool tick = Pick(0, 1) == 1;
            if (tick) ticked.insert(row.Columns[TMailRow::Uidl]);
            return tick;
        });
        if (Pick(0, 2) == 0) {
            ChangeMailbox();
            Server.Script("NOOP", TFakeReply::Drop());
            MaybeFaults();
            // A header view reconnects and renumbers the rows.
            account.Page.TickWhere(
                [&](const TMailRow& row) { return ticked.count(row.Columns[TMailRow::Uidl]) > 0; });
            Command(account, TConnect::CmdHeader);
        }
        if (Pick(0, 1) == 0) {
            ChangeMailbox();
            Server.Script("NOOP", TFakeReply::Drop());
        }
        MaybeFaults();
        const std::set<std::string> before = Ids();
        Command(account, TConnect::CmdDelete);
        for (const std::string& id : before) {
            if (Ids().count(id) == 0) {
                EXPECT_EQ(ticked.count(id), 1u) << "deleted unticked mail " << id;
            }
        }
        Command(account, TConnect::CmdDisconnect);
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }

    TFakeMessage Message(int id) {
        const std::string uid = "uid-" + std::to_string(id);
        return {"Subject: mail " + std::to_string(id) + "\r\nFrom: a@example.jp\r\n", 100 + id,
                uid};
    }

    std::set<std::string> Ids() {
        std::set<std::string> ids;
        for (const TFakeMessage& m : Server.Messages()) ids.insert(m.Uid);
        return ids;
    }

    // Another client removes, adds and reorders messages.
    void ChangeMailbox() {
        std::vector<TFakeMessage> messages = Server.Messages();
        std::vector<TFakeMessage> changed;
        for (const TFakeMessage& m : messages) {
            if (Pick(0, 3) != 0) changed.push_back(m);
        }
        for (int i = Pick(0, 2); i > 0; --i) changed.push_back(Message(NextId++));
        std::shuffle(changed.begin(), changed.end(), Random);
        Server.SetMessages(changed);
    }

    void MaybeFaults() {
        static const char* const commands[] = {"PASS", "STAT", "TOP",  "LIST",
                                               "UIDL", "NOOP", "DELE", "QUIT"};
        for (int i = Pick(0, 2); i > 0; --i) {
            std::string prefix = commands[Pick(0, 7)];
            if (prefix == "TOP" || prefix == "DELE") {
                prefix += " " + std::to_string(Pick(1, 8));
            }
            switch (Pick(0, 2)) {
                case 0:
                    Server.Script(prefix, TFakeReply::Drop());
                    break;
                case 1:
                    Server.Script(prefix, TFakeReply::Silence());
                    break;
                default:
                    Server.Script(prefix, TFakeReply::Bytes("-ERR injected\r\n"));
                    break;
            }
        }
    }

    void Command(TWorkerHarness& account, int command) {
        account.Run(command);
        EXPECT_FALSE(account.Worker->Busy());
        EXPECT_TRUE(account.Page.ButtonsOn()) << "command " << command;
    }

    std::mt19937 Random;
    TFakePop3Server Server;
    int NextId = 1;
};

TEST(ConnectFaults, OnlyTickedMailIsEverDeleted) {
    const unsigned base = std::random_device()();
    for (unsigned run = 0; run < 60; ++run) {
        SCOPED_TRACE("seed " + std::to_string(base + run));
        TFaultRun(base + run).Run(run % 2 == 1);
        if (HasFailure()) break;
    }
}

}  // namespace
