#include "pop3/Pop3Capabilities.h"

#include <algorithm>
#include <vector>

#include "pop3/Pop3Reply.h"
#include "pop3/ScanListing.h"

namespace {

// word equals upper, an upper-case ASCII word, whatever the case of word.
bool EqualsNoCase(const std::string& word, const char* upper) {
    std::string folded = word;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return folded == upper;
}

// The word of `line` that starts at `from`, up to the next blank; empty past the end.
std::string WordAt(const std::string& line, size_t from) {
    if (from >= line.size()) return std::string();
    return line.substr(from, line.find(' ', from) - from);
}

}  // namespace

TPop3Capabilities TPop3Capabilities::Parse(const std::string& reply) {
    TPop3Capabilities capabilities;
    std::vector<std::string> lines;
    TPop3Reply::SplitHeader(reply, lines);
    lines.pop_back();  // the "." line
    for (const std::string& untrimmed : lines) {
        const std::string line = TPop3Reply::Trimmed(untrimmed);
        const size_t blank = line.find(' ');
        const std::string tag = line.substr(0, blank);
        if (EqualsNoCase(tag, "PIPELINING")) {
            capabilities.Pipelining = true;
        } else if (EqualsNoCase(tag, "LOGIN-DELAY") && blank != std::string::npos) {
            int32_t seconds = 0;
            if (TScanListing::Number(WordAt(line, blank + 1), seconds))
                capabilities.LoginDelay = seconds;
        }
    }
    return capabilities;
}
