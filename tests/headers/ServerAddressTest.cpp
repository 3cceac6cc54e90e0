#include <gtest/gtest.h>

#include "headers/ConvertError.h"
#include "headers/ServerAddress.h"

namespace {

// A text without a port takes the caller's; a typed one wins and wraps; nonsense after ":"
// refuses to connect rather than reaching some port.
TEST(ServerAddressTest, ConnectPortIsTheTypedOneOrTheCallers) {
    const struct {
        const char* Serv;
        const char* Host;
        int Port;  // -1: refused
    } cases[] = {
        {"mailhost", "mailhost", 995},
        {" mailhost : 110 ", "mailhost", 110},
        {"host:70000", "host", 4464},
        {"host:abc", "host", -1},
        {"host:", "host", -1},
        {"host:110:x", "host", -1},
        {":", "", -1},
    };
    for (const auto& c : cases) {
        const TServerAddress address = TServerAddress::Parse(c.Serv);
        EXPECT_EQ(address.Host, c.Host) << c.Serv;
        if (c.Port < 0) {
            EXPECT_THROW(address.ConnectPort(TServerAddress::TlsPort), EConvertError) << c.Serv;
        } else {
            EXPECT_EQ(address.ConnectPort(TServerAddress::TlsPort), c.Port) << c.Serv;
        }
    }
}

}  // namespace
