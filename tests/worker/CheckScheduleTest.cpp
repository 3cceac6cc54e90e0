// The periodic check schedule on a clock moved by hand: each case a script of steps, each step
// checked by what is due after it.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "worker/CheckSchedule.h"

namespace {

constexpr int64_t S = 1000;
constexpr int64_t M = 60 * S;

class TManualClock : public TCheckClock {
public:
    TClockReading Now() override { return Reading; }
    TClockReading Reading{5000 * S, 1800000000 * S};
};

enum class TDo {
    Nothing,
    Start,
    SecondStart,
    End,
    Connect,
    Disconnect,
    OpenDialog,
    CloseDialog,
    Interval
};

struct TStep {
    int64_t At;  // steady time since the schedule was made
    TDo Do = TDo::Nothing;
    TCheckOutcome Outcome = TCheckOutcome::Done;
    int Number = -1;  // End: LOGIN-DELAY seconds; Interval: minutes
    std::vector<std::string> Due = {};
    int64_t Slept = 0;  // wall time that passed without the steady clock before this step
};

struct TScheduleCase {
    const char* What;
    std::vector<std::pair<std::string, int>> Accounts;
    std::vector<TStep> Steps;
};

TStep Ends(int64_t at, TCheckOutcome outcome, std::vector<std::string> due = {}, int delay = -1) {
    return {at, TDo::End, outcome, delay, std::move(due)};
}

const TScheduleCase Cases[] = {
    {"first checks come staggered within ten seconds",
     {{"a", 10}, {"b", 10}, {"off", 0}},
     {{2 * S - 1},
      {2 * S, TDo::Nothing, {}, -1, {"a"}},
      {2 * S, TDo::Start},
      {5 * S - 1},
      {5 * S, TDo::Nothing, {}, -1, {"b"}},
      {10 * M, TDo::Nothing, {}, -1, {"b"}}}},
    {"the next check counts from the end of the last",
     {{"a", 10}},
     {{2 * S, TDo::Start},
      Ends(30 * S, TCheckOutcome::Done),
      {30 * S + 10 * M - 1},
      {30 * S + 10 * M, TDo::Nothing, {}, -1, {"a"}}}},
    {"held while connected, checking or a dialog is open, then at once",
     {{"a", 1}},
     {{2 * S, TDo::Connect},
      {5 * M},
      {5 * M, TDo::Disconnect, {}, -1, {"a"}},
      {5 * M, TDo::OpenDialog},
      {6 * M, TDo::CloseDialog, {}, -1, {"a"}},
      {6 * M, TDo::Start},
      {6 * M, TDo::SecondStart},
      {9 * M},
      Ends(9 * M, TCheckOutcome::Refused),
      {10 * M, TDo::Nothing, {}, -1, {"a"}}}},
    {"network failures retry after 1, 2, 4 minutes, at most the interval",
     {{"a", 5}},
     {{2 * S, TDo::Start},
      Ends(2 * S, TCheckOutcome::NetworkFailure),
      {2 * S + M - 1},
      {2 * S + M, TDo::Start, {}, -1, {}},
      Ends(2 * S + M, TCheckOutcome::NetworkFailure),
      {2 * S + 3 * M - 1},
      {2 * S + 3 * M, TDo::Start},
      Ends(2 * S + 3 * M, TCheckOutcome::NetworkFailure),
      {2 * S + 7 * M - 1},
      {2 * S + 7 * M, TDo::Start},
      Ends(2 * S + 7 * M, TCheckOutcome::NetworkFailure),
      {2 * S + 12 * M - 1},
      {2 * S + 12 * M, TDo::Start},
      Ends(2 * S + 12 * M, TCheckOutcome::Done),
      {2 * S + 17 * M - 1},
      {2 * S + 17 * M, TDo::Start},
      Ends(2 * S + 17 * M, TCheckOutcome::NetworkFailure),  // counting starts again
      {2 * S + 18 * M, TDo::Nothing, {}, -1, {"a"}}}},
    {"[IN-USE] retries after a minute",
     {{"a", 30}},
     {{2 * S, TDo::Start},
      Ends(2 * S, TCheckOutcome::InUse),
      {2 * S + M - 1},
      {2 * S + M, TDo::Nothing, {}, -1, {"a"}}}},
    {"LOGIN-DELAY is the least wait, kept until the server says another",
     {{"a", 1}},
     {{2 * S, TDo::Start},
      Ends(2 * S, TCheckOutcome::Done, {}, 900),
      {2 * S + 15 * M - 1},
      {2 * S + 15 * M, TDo::Start},
      Ends(2 * S + 15 * M, TCheckOutcome::InUse),
      {2 * S + 30 * M - 1},
      {2 * S + 30 * M, TDo::Start},
      Ends(2 * S + 30 * M, TCheckOutcome::Done, {}, 0),
      {2 * S + 31 * M, TDo::Nothing, {}, -1, {"a"}}}},
    {"a sleep counts as time passed; a small clock step does not",
     {{"a", 60}},
     {{2 * S, TDo::Start},
      Ends(2 * S, TCheckOutcome::Done),
      {10 * M, TDo::Nothing, {}, -1, {}, 30 * S},  // due still at 60 min 2 s
      {20 * M, TDo::Nothing, {}, -1, {}, 20 * M},  // now at 40 min 2 s
      {2 * S + 40 * M - 1},
      {2 * S + 40 * M, TDo::Nothing, {}, -1, {"a"}},
      {2 * S + 40 * M, TDo::Start},
      Ends(2 * S + 41 * M, TCheckOutcome::Done),
      {50 * M, TDo::Nothing, {}, -1, {"a"}, 2 * 60 * M}}},
    {"an interval switched on later or changed",
     {{"a", 0}},
     {{M, TDo::Interval, {}, 5},
      {M + 2 * S - 1},
      {M + 2 * S, TDo::Start},
      Ends(M + 2 * S, TCheckOutcome::Done),
      {M + 3 * S, TDo::Interval, {}, 1},
      {2 * M + 2 * S - 1},
      {2 * M + 2 * S, TDo::Nothing, {}, -1, {"a"}},
      {2 * M + 2 * S, TDo::Interval, {}, 0}}},
};

TEST(CheckSchedule, ScriptedCases) {
    for (const auto& c : Cases) {
        TManualClock clock;
        const int64_t start = clock.Reading.SteadyMs;
        TCheckSchedule schedule(clock);
        for (const auto& [key, minutes] : c.Accounts) schedule.SetAccount(key, minutes);
        int index = 0;
        for (const auto& step : c.Steps) {
            SCOPED_TRACE(std::string(c.What) + ", step " + std::to_string(index++));
            clock.Reading.WallMs += step.Slept + (start + step.At - clock.Reading.SteadyMs);
            clock.Reading.SteadyMs = start + step.At;
            switch (step.Do) {
                case TDo::Nothing:
                    break;
                case TDo::Start:
                    EXPECT_TRUE(schedule.CheckStarted("a"));
                    break;
                case TDo::SecondStart:
                    EXPECT_FALSE(schedule.CheckStarted("a"));
                    break;
                case TDo::End:
                    schedule.CheckEnded("a", step.Outcome,
                                        step.Number >= 0 ? std::optional<int32_t>(step.Number)
                                                         : std::nullopt);
                    break;
                case TDo::Connect:
                    schedule.SetConnected("a", true);
                    break;
                case TDo::Disconnect:
                    schedule.SetConnected("a", false);
                    break;
                case TDo::OpenDialog:
                    schedule.SetDialogOpen(true);
                    break;
                case TDo::CloseDialog:
                    schedule.SetDialogOpen(false);
                    break;
                case TDo::Interval:
                    schedule.SetAccount("a", step.Number);
                    break;
            }
            EXPECT_EQ(schedule.Due(), step.Due);
        }
    }
}

// Accounts due together start kMaxRunning at a time, the longest overdue first; "check now"
// reaches an account whose interval is off, once.
TEST(CheckSchedule, ChecksBeyondTheRunningLimitWaitTheirTurn) {
    static_assert(TCheckSchedule::kMaxRunning == 4, "the script below starts four at a time");
    TManualClock clock;
    TCheckSchedule schedule(clock);
    // First checks due at 2, 5, 8, 3, 6 s.
    for (const char* key : {"a", "b", "c", "d", "e"}) schedule.SetAccount(key, 1);
    schedule.SetAccount("off", 0);
    clock.Reading.SteadyMs += 10 * S;
    clock.Reading.WallMs += 10 * S;
    schedule.CheckNow("off");
    struct TStep {
        const char* Start;  // these start first
        const char* End;    // then this one ends
        std::vector<std::string> Due;
    } steps[] = {
        {"", "", {"off", "a", "d", "b"}},
        {"off a d b", "", {}},
        {"", "a", {"e"}},
        {"e", "off", {"c"}},
        {"c", "d", {}},  // "off" is not asked again, "a" not due again yet
    };
    int index = 0;
    for (const TStep& step : steps) {
        SCOPED_TRACE("step " + std::to_string(index++));
        std::istringstream starts(step.Start);
        for (std::string key; starts >> key;) EXPECT_TRUE(schedule.CheckStarted(key)) << key;
        if (*step.End) schedule.CheckEnded(step.End, TCheckOutcome::Done);
        EXPECT_EQ(schedule.Due(), step.Due);
    }
}

TEST(CheckSchedule, TimeToTheNextCheckLeavesHeldAccountsOut) {
    TManualClock clock;
    TCheckSchedule schedule(clock);
    EXPECT_EQ(schedule.MillisecondsToNext(), std::nullopt);
    schedule.SetAccount("a", 10);
    schedule.SetAccount("b", 10);
    EXPECT_EQ(schedule.MillisecondsToNext(), 2 * S);
    schedule.CheckStarted("a");
    EXPECT_EQ(schedule.MillisecondsToNext(), 5 * S);
    clock.Reading.SteadyMs += 6 * S;
    EXPECT_EQ(schedule.MillisecondsToNext(), 0);
    schedule.SetDialogOpen(true);
    EXPECT_EQ(schedule.MillisecondsToNext(), std::nullopt);
}

}  // namespace
