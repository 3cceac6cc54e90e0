#pragma once
#include <string>

// The browser's request that ends an authorization on the loopback listener (RFC 8252), read
// from its request line, and the short page the browser is answered with.
struct TLoopbackRedirect {
    enum TKind {
        GotCode,     // the code, for the state this sign-in sent
        Refused,     // the provider answered with an error (the user declined, say)
        WrongState,  // a redirect that does not belong to this sign-in: ignored
        Other        // not the redirect (another path, a favicon, not a GET)
    };
    TKind Kind = Other;
    std::string Code;
    std::string Error;  // the provider's error code and description, for the user

    // From the request line ("GET /?code=...&state=... HTTP/1.1"); state is the one sent.
    static TLoopbackRedirect Read(const std::string& requestLine, const std::string& state);
    // The whole HTTP response for the request read as kind: a short Japanese page telling the
    // user to go back to the program, or 404 for Other.
    static std::string Answer(TKind kind);
};
