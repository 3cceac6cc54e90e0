#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>

#include "pop3/Pop3Pipeline.h"

namespace {

// A session that answers every command at once and counts what is in flight.
struct TCountingLink : TPop3Pipeline::TLink {
    std::deque<size_t> InFlight;  // lengths of the commands written and not yet answered
    std::vector<size_t> Lines;    // every command as logged, by length
    size_t Logged = 0, MostCommands = 0, MostBytes = 0;
    std::string Last = "+OK";

    void Begin(size_t, bool) override {}
    void CheckLine(const std::string&) override {}
    void Write(const std::string&) override {}
    void Sent(const char*, size_t length) override {
        InFlight.push_back(length);
        Lines.push_back(length);
        MostCommands = std::max(MostCommands, InFlight.size());
        MostBytes =
            std::max(MostBytes, std::accumulate(InFlight.begin(), InFlight.end(), size_t{0}));
    }
    TPop3Reply::TStatus Receive(bool) override {
        InFlight.pop_front();
        return TPop3Reply::TStatus::Positive;
    }
    const std::string& Reply() const override { return Last; }
    [[noreturn]] void Refuse() override { throw std::runtime_error("refused"); }
    [[noreturn]] void Desync(const std::string&) override { throw std::runtime_error("desync"); }
    void Abandon() override {}
    void End() override {}
};

// The window never holds more than its commands and bytes, so that neither side's buffer can
// fill while the other waits; a command longer than the byte bound still goes, alone.
TEST(Pop3Pipeline, WindowStaysWithinItsBounds) {
    const struct {
        size_t Count, LineLength;
        bool Ahead;
        size_t MostCommands, MostBytes;
    } cases[] = {
        {600, 10, true, 256, 2560},  // bounded by the count of commands
        {200, 100, true, 40, 4000},  // by the bytes
        {3, 5000, true, 1, 5000},    // one too long for the bound goes alone
        {200, 10, false, 1, 10},     // one at a time to a server that does not pipeline
    };
    for (const auto& c : cases) {
        TCountingLink link;
        TReplyFramer framer;
        TPop3Pipeline pipeline(link, framer);
        TPop3Pipeline::TBatch batch;
        batch.Count = c.Count;
        batch.Line = [&c](size_t) { return std::string(c.LineLength - 2, 'X') + "\r\n"; };
        size_t replied = 0;
        batch.Replied = [&replied](size_t i) { EXPECT_EQ(i, replied++); };
        EXPECT_TRUE(pipeline.Run(batch, c.Ahead));
        EXPECT_EQ(replied, c.Count);
        EXPECT_EQ(link.Lines.size(), c.Count);
        EXPECT_EQ(link.MostCommands, c.MostCommands) << c.Count << " " << c.LineLength;
        EXPECT_EQ(link.MostBytes, c.MostBytes) << c.Count << " " << c.LineLength;
    }
}

}  // namespace
