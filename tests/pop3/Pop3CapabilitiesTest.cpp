#include <gtest/gtest.h>

#include "pop3/Pop3Capabilities.h"

namespace {

// Lines cut short or run together must neither be read past their end nor pass for a tag.
TEST(Pop3CapabilitiesTest, NamedCapabilitiesFromTheReplyLines) {
    const struct {
        const char* Lines;  // between the status line and "."
        bool Pipelining;
        int LoginDelay;  // -1: none
    } cases[] = {
        {"", false, -1},
        {"TOP\r\nUIDL\r\nPIPELINING\r\n", true, -1},
        {"pipelining\r\n", true, -1},
        {"PIPELINING extra\r\n", true, -1},
        {"XPIPELINING\r\nPIPELINING-NOT\r\n", false, -1},
        {"LOGIN-DELAY 900\r\n", false, 900},
        {"login-delay 60 USER\r\n", false, 60},
        {" LOGIN-DELAY 30 \r\n", false, 30},
        {"LOGIN-DELAY\r\n", false, -1},
        {"LOGIN-DELAY \r\n", false, -1},
        {"LOGIN-DELAY x\r\n", false, -1},
        {"LOGIN-DELAY -5\r\n", false, -1},
        {"LOGIN-DELAY  900\r\n", false, -1},
        {"LOGIN-DELAY 99999999999\r\n", false, -1},
        {"LOGIN-DELAYED 5\r\n", false, -1},
        {"LOGIN-DELAY 5\r\nLOGIN-DELAY 7\r\n", false, 7},
    };
    for (const auto& c : cases) {
        const std::string reply = std::string("+OK\r\n") + c.Lines + ".\r\n";
        const TPop3Capabilities capabilities = TPop3Capabilities::Parse(reply);
        EXPECT_EQ(capabilities.Pipelining, c.Pipelining) << c.Lines;
        EXPECT_EQ(capabilities.LoginDelay.value_or(-1), c.LoginDelay) << c.Lines;
    }
}

}  // namespace
