#pragma once
#include <memory>
#include <string>

// What an HTTPS request brought back: the status and body, or no answer at all (Status 0) with
// the reason.
struct THttpsReply {
    int Status = 0;
    std::string Body;
    std::string Failure;
};

// The one way the program talks to an identity provider: a form POSTed over HTTPS, the OS's TLS
// and trust store judging the certificate. Tests put in their own.
class THttpsClient {
public:
    // Longest body read: a token response is a few kilobytes.
    static constexpr size_t MaxBody = 256 * 1024;

    virtual ~THttpsClient() = default;
    // Refuses any URL that is not https.
    virtual THttpsReply PostForm(const std::string& url, const std::string& form) = 0;

    // WinHTTP on Windows; elsewhere a client that says HTTPS is not available.
    static std::unique_ptr<THttpsClient> System();
};
