#pragma once
#include <memory>
#include <string>

#include "FakePop3Server.h"
#include "pop3/KvSocket.h"

// A session pointed at a fake server with its default account, and the text of a caught failure.
inline std::unique_ptr<TKvSocket> SessionFor(const TFakePop3Server& server, int timeOutMs = 5000) {
    auto s = std::make_unique<TKvSocket>();
    s->Host = "127.0.0.1";
    s->Port = server.Port();
    s->UserName = "user";
    s->Password = "secret";
    s->TimeOut = timeOutMs;
    return s;
}

// Runs f; returns what() of the EPop3Failure it throws, or "(no failure)".
template <typename F>
std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const EPop3Failure& e) {
        return e.what();
    }
    return "(no failure)";
}

inline std::string ReadWholeFile(const std::string& name) {
    std::string text;
    if (FILE* f = std::fopen(name.c_str(), "rb")) {
        char block[4096];
        for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
        std::fclose(f);
    }
    return text;
}
