#include "learn/MessageHeader.h"

namespace MessageHeader {

std::vector<std::string> Lines(std::string_view message) {
    std::vector<std::string> lines;
    if (message.size() > MaxHeaderBytes) message = message.substr(0, MaxHeaderBytes);
    size_t start = 0;
    while (start < message.size()) {
        size_t end = message.find('\n', start);
        const size_t next = end == std::string_view::npos ? message.size() : end + 1;
        if (end == std::string_view::npos) end = message.size();
        if (end > start && message[end - 1] == '\r') --end;
        const std::string_view line = message.substr(start, end - start);
        start = next;
        if (line.empty()) break;
        const bool continuation = line[0] == '\t' || line[0] == ' ';
        if (continuation && !lines.empty())
            lines.back() += line[0] == '\t' ? " " + std::string(line.substr(1)) : std::string(line);
        else
            lines.emplace_back(line);
    }
    return lines;
}

}  // namespace MessageHeader
