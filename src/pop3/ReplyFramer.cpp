#include "pop3/ReplyFramer.h"

#include <algorithm>
#include <cstring>

namespace {

const char MultiLineEnd[] = "\r\n.\r\n";
constexpr size_t MultiLineEndLength = 5;

}  // namespace

char* TReplyFramer::ReadSpace(size_t size) {
    if (Start == End) {
        Start = End = 0;
    } else if (Start > 0 && Buffer.size() - End < size) {
        std::memmove(Buffer.data(), Buffer.data() + Start, End - Start);
        End -= Start;
        Start = 0;
    }
    if (Buffer.size() - End < size) Buffer.resize(End + size);
    return Buffer.data() + End;
}

void TReplyFramer::Received(size_t size) { End += std::min(size, Buffer.size() - End); }

void TReplyFramer::Clear() { Start = End = Scanned = 0; }

void TReplyFramer::Take(std::string& reply, size_t length) {
    reply.assign(Buffer.data() + Start, length);
    Start += length;
    Scanned = 0;
}

TReplyFramer::TFrame TReplyFramer::TakeLine(std::string& reply, size_t maxLength) {
    if (Buffered() == 0) return TFrame::Incomplete;
    const char* base = Buffer.data() + Start;
    const void* lf = std::memchr(base + Scanned, '\n', Buffered() - Scanned);
    if (!lf) {
        Scanned = Buffered();
        return Buffered() >= maxLength ? TFrame::TooLong : TFrame::Incomplete;
    }
    const size_t length = static_cast<const char*>(lf) - base + 1;
    if (length > maxLength) return TFrame::TooLong;
    Take(reply, length);
    return TFrame::Complete;
}

TReplyFramer::TFrame TReplyFramer::TakeMultiLine(std::string& reply, size_t maxLength) {
    if (Buffered() == 0) return TFrame::Incomplete;
    const char* base = Buffer.data() + Start;
    const size_t size = Buffered();
    const void* lf = std::memchr(base, '\n', size);
    if (!lf) return size >= maxLength ? TFrame::TooLong : TFrame::Incomplete;
    const size_t body = static_cast<const char*>(lf) - base + 1;
    if (!PositiveLine(base, body)) {
        Take(reply, body);
        return TFrame::Complete;
    }
    size_t length = 0;
    if (size - body >= 3 && std::memcmp(base + body, ".\r\n", 3) == 0) {
        length = body + 3;  // nothing between the status line and the "."
    } else {
        const char* from = base + std::max(Scanned, body);
        const char* found =
            std::search(from, base + size, MultiLineEnd, MultiLineEnd + MultiLineEndLength);
        if (found != base + size) length = found - base + MultiLineEndLength;
    }
    if (length == 0) {
        Scanned = size >= MultiLineEndLength ? size - (MultiLineEndLength - 1) : 0;
        return size >= maxLength ? TFrame::TooLong : TFrame::Incomplete;
    }
    if (length > maxLength) return TFrame::TooLong;
    Take(reply, length);
    return TFrame::Complete;
}

// The text starts a line, as if after CR LF: "." CR LF at once is an empty reply.
void TReplyFramer::StartBody() { Matched = 2; }

TReplyFramer::TFrame TReplyFramer::TakeBody(const char*& piece, size_t& length) {
    piece = Buffer.data() + Start;
    const size_t size = Buffered();
    size_t at = 0;
    // The end is sought across reads: Matched carries what the last piece ended with.
    while (at < size && Matched < MultiLineEndLength) {
        if (Matched == 0) {
            const void* cr = std::memchr(piece + at, '\r', size - at);
            at = cr ? static_cast<const char*>(cr) - piece : size;
            if (!cr) break;
        }
        const char c = piece[at++];
        Matched = c == MultiLineEnd[Matched] ? Matched + 1 : c == '\r' ? 1 : 0;
    }
    length = at;
    Start += at;
    Scanned = 0;
    return Matched == MultiLineEndLength ? TFrame::Complete : TFrame::Incomplete;
}

bool TReplyFramer::IsPositive(const std::string& statusLine) {
    return PositiveLine(statusLine.data(), statusLine.size());
}

bool TReplyFramer::PositiveLine(const char* line, size_t length) {
    if (length < 3 || std::memcmp(line, "+OK", 3) != 0) return false;
    // "+OK" alone up to the line end, or "+OK" and a blank.
    const char* rest = line + 3;
    const size_t restLength = length - 3;
    return restLength == 0 || rest[0] == ' ' || (restLength == 1 && rest[0] == '\n') ||
           (restLength == 2 && rest[0] == '\r' && rest[1] == '\n');
}

std::string TReplyFramer::StatusLine(const std::string& reply) {
    size_t end = reply.find('\n');
    if (end == std::string::npos) end = reply.size();
    if (end > 0 && reply[end - 1] == '\r') --end;
    return reply.substr(0, end);
}
