#include <gtest/gtest.h>

#include "auth/LoopbackRedirect.h"

namespace {

TEST(LoopbackRedirectTest, ReadsTheRequestLine) {
    using R = TLoopbackRedirect;
    const struct {
        const char* Line;
        R::TKind Kind;
        const char* Code;
    } cases[] = {
        {"GET /?code=abc%2B1&state=S HTTP/1.1", R::GotCode, "abc+1"},
        {"GET /?state=S&code=x&session_state=q HTTP/1.1", R::GotCode, "x"},
        {"GET /?code=abc&state=T HTTP/1.1", R::WrongState, ""},
        {"GET /?code=abc HTTP/1.1", R::WrongState, ""},
        {"GET /?error=access_denied&state=S HTTP/1.1", R::Refused, ""},
        {"GET /?code=&state=S HTTP/1.1", R::Refused, ""},
        {"GET /favicon.ico HTTP/1.1", R::Other, ""},
        {"GET / HTTP/1.1", R::Other, ""},
        {"POST /?code=abc&state=S HTTP/1.1", R::Other, ""},
        {"GET /?code=%zz&state=S HTTP/1.1", R::Other, ""},
        {"GET /?code=abc&state=S", R::Other, ""},
    };
    for (const auto& c : cases) {
        const R redirect = R::Read(c.Line, "S");
        EXPECT_EQ(redirect.Kind, c.Kind) << c.Line;
        EXPECT_EQ(redirect.Code, c.Code) << c.Line;
    }
    EXPECT_EQ(R::Read("GET /?code=abc&state= HTTP/1.1", "").Kind, R::WrongState);
    EXPECT_EQ(R::Read("GET /?error=access_denied&error_description=no&state=S HTTP/1.1", "S").Error,
              "access_denied: no");
}

TEST(LoopbackRedirectTest, AnswersWithAPageOrNotFound) {
    const std::string page = TLoopbackRedirect::Answer(TLoopbackRedirect::GotCode);
    EXPECT_EQ(page.find("HTTP/1.1 200 OK\r\n"), 0u);
    const size_t body = page.find("\r\n\r\n") + 4;
    EXPECT_NE(page.find("Content-Length: " + std::to_string(page.size() - body) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(TLoopbackRedirect::Answer(TLoopbackRedirect::Other).find("HTTP/1.1 404"), 0u);
}

}  // namespace
