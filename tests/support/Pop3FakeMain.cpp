// pop3-fake: the scriptable test server as a program, for trying the client by hand.
//   pop3-fake [count]   serves count generated messages (default 3) to user "user", password
//                       "secret", on 127.0.0.1; prints the port; stops at end of input.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "FakePop3Server.h"

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 3;
    std::vector<TFakeMessage> messages;
    for (int i = 1; i <= count; ++i) {
        std::string n = std::to_string(i);
        messages.push_back({"Subject: test " + n + "\r\nFrom: sender" + n +
                                "@example.jp\r\nDate: Mon, 1 Jan 2024 09:00:00 +0900\r\n",
                            1000 + i, "fake-uid-" + n});
    }
    TFakePop3Server server;
    server.SetMessages(messages);
    std::printf("port %d\n", server.Port());
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
