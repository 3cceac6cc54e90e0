#include "pop3/Pop3Reply.h"

#include <cstring>

#include "pop3/ReplyFramer.h"

TPop3Reply::TStatus TPop3Reply::Status(const std::string& reply) {
    const size_t lf = reply.find('\n');
    if (TReplyFramer::PositiveLine(reply.data(), lf == std::string::npos ? reply.size() : lf + 1))
        return TStatus::Positive;
    if (reply.compare(0, 4, "-ERR") == 0) return TStatus::Negative;
    return TStatus::Malformed;
}

std::string TPop3Reply::Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

std::string TPop3Reply::WithoutStatus(const std::string& reply) {
    std::string text = Trimmed(reply);
    if (text.compare(0, 3, "+OK") == 0) {
        size_t start = 3;
        while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
        text.erase(0, start);
    }
    return text;
}

// The header starts after the status line, whatever that line carries; the text ends in
// "." CR LF. Lines end in CR LF, a bare LF or a lone CR; a line the server dot-stuffed loses one
// ".".
void TPop3Reply::SplitHeader(const std::string& reply, std::vector<std::string>& lines) {
    size_t used = 0;
    auto add = [&lines, &used](const char* text, size_t length) {
        if (used < lines.size()) {
            lines[used].assign(text, length);
        } else {
            lines.emplace_back(text, length);
        }
        ++used;
    };
    const size_t statusEnd = reply.find('\n');
    size_t start = statusEnd == std::string::npos ? reply.size() : statusEnd + 1;
    size_t end = reply.size();
    if (end >= 3 && reply.compare(end - 3, 3, ".\r\n") == 0) end -= 3;  // at the final "."
    const char* data = reply.data();
    while (start < end) {
        size_t lf = reply.find('\n', start);
        if (lf == std::string::npos || lf > end) lf = end;
        size_t stop = lf;
        if (stop > start && data[stop - 1] == '\r') --stop;
        if (const void* cr = std::memchr(data + start, '\r', stop - start)) {
            stop = static_cast<size_t>(static_cast<const char*>(cr) - data);
            lf = stop + (stop + 1 < reply.size() && data[stop + 1] == '\n' ? 1 : 0);
        }
        const size_t skip = stop - start >= 2 && data[start] == '.' && data[start + 1] == '.';
        add(data + start + skip, stop - start - skip);
        start = lf + 1;
    }
    add(".", 1);
    lines.resize(used);
}
