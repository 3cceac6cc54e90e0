#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "RecordingPage.h"
#include "worker/Connect.h"

// One account for a test: a recording page and its worker, with commands run to their end.
struct TWorkerHarness {
    TRecordingPage Page;
    TConnectPtr Worker = TConnect::Create(1, Page);

    TWorkerHarness(const std::string& server, const std::string& user,
                   const std::string& password) {
        Page.Server = server;
        Page.User = user;
        Page.Password = password;
    }
    // Gives the command as the window does, unless the user declined its question, and waits
    // for its end (generous: a Wine start-up can be slow).
    void Run(TConnect::TCommand command) {
        const std::optional<TCheckInputs> inputs = Page.Ask(command, Worker->Connected());
        if (!inputs) return;
        ASSERT_TRUE(Worker->Resume(command, *inputs));
        ASSERT_TRUE(Worker->WaitIdle(120000)) << "command " << command << " did not end";
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> values;
        for (const TMailRow& row : Page.CurrentRows()) values.push_back(row.Columns[column]);
        return values;
    }
    std::vector<std::string> TickedTitles() {
        std::vector<std::string> titles;
        for (const TMailRow& row : Page.CurrentRows()) {
            if (row.Ticked) titles.push_back(row.Columns[TMailRow::Title]);
        }
        return titles;
    }
    void TickNumbers(const std::vector<int>& numbers) {
        Page.TickWhere([&](const TMailRow& row) {
            for (int n : numbers) {
                if (row.Columns[TMailRow::Number] == std::to_string(n)) return true;
            }
            return false;
        });
    }
    // Idle, not connected, ready for the next command.
    void ExpectIdleDisconnected() {
        EXPECT_EQ(Page.Lamp(), 0);
        EXPECT_TRUE(Page.ButtonsOn());
        EXPECT_TRUE(Page.LoginOn());
    }
};
