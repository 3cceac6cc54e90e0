#pragma once
#include <string>
#include <vector>

// What a POP3 reply says, read from its text alone.
class TPop3Reply {
public:
    enum class TStatus { Positive, Negative, Malformed };

    // By the status line: "+OK", "-ERR", or neither (a line that cannot start a reply).
    static TStatus Status(const std::string& reply);
    // text without the blanks and control characters at either end.
    static std::string Trimmed(const std::string& text);
    // The reply trimmed, without its "+OK" and the blanks after it.
    static std::string WithoutStatus(const std::string& reply);
    // The header lines of a TOP reply as framed (status line and "." line included): every line
    // after the status line, dot-unstuffed, then ".". Reuses the strings lines already holds.
    static void SplitHeader(const std::string& reply, std::vector<std::string>& lines);
};
