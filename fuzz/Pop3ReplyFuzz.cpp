// Any bytes from a server: the replies are framed as the session reads them (in reads of varying
// size), and every multi-line reply goes through the header split, the LIST and UIDL checks and
// the CAPA reading.
// A positive multi-line reply taken piece by piece, as RETR takes it, ends exactly where it did.
// Input: byte 0 the message count for the listings, byte 1 the read size, then the server's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pop3/Pop3Capabilities.h"
#include "pop3/Pop3Reply.h"
#include "pop3/ReplyFramer.h"
#include "pop3/ScanListing.h"

namespace {

// The text after the status line, in reads of readSize, ends where the whole reply does.
void CheckPieces(const std::string& reply, size_t readSize) {
    TReplyFramer framer;
    framer.StartBody();
    std::string text;
    auto frame = TReplyFramer::TFrame::Incomplete;
    for (size_t at = reply.find('\n') + 1; at < reply.size(); at += readSize) {
        if (frame == TReplyFramer::TFrame::Complete) __builtin_trap();  // ended early
        const size_t n = std::min(readSize, reply.size() - at);
        std::copy(reply.data() + at, reply.data() + at + n, framer.ReadSpace(n));
        framer.Received(n);
        const char* piece = nullptr;
        size_t length = 0;
        frame = framer.TakeBody(piece, length);
        text.append(piece, length);
    }
    if (frame != TReplyFramer::TFrame::Complete || text != reply.substr(reply.find('\n') + 1))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int32_t count = data[0];
    const size_t readSize = 1 + data[1] % 64;
    const char* bytes = reinterpret_cast<const char*>(data) + 2;
    size_t left = size - 2;
    // Small bounds so that the too-long paths are reached too.
    const size_t maxLine = 512, maxBlock = 4096;

    TReplyFramer framer;
    std::string reply;
    std::vector<std::string> lines;
    std::vector<int32_t> sizes;
    std::vector<std::string> uids;
    bool multiLine = false;
    for (;;) {
        const auto frame =
            multiLine ? framer.TakeMultiLine(reply, maxBlock) : framer.TakeLine(reply, maxLine);
        if (frame == TReplyFramer::TFrame::TooLong) break;  // the session fails here
        if (frame == TReplyFramer::TFrame::Incomplete) {
            if (left == 0) break;
            const size_t n = left < readSize ? left : readSize;
            std::copy(bytes, bytes + n, framer.ReadSpace(n));
            framer.Received(n);
            bytes += n;
            left -= n;
            continue;
        }
        if (reply.empty() || reply.back() != '\n') __builtin_trap();
        if (multiLine && TReplyFramer::IsPositive(TReplyFramer::StatusLine(reply))) {
            if (reply.compare(reply.size() - 3, 3, ".\r\n") != 0) __builtin_trap();
            CheckPieces(reply, readSize);
            TPop3Reply::SplitHeader(reply, lines);
            if (lines.empty() || lines.back() != ".") __builtin_trap();
            const TPop3Capabilities capabilities = TPop3Capabilities::Parse(reply);
            if (capabilities.LoginDelay && *capabilities.LoginDelay < 0) __builtin_trap();
            if (TScanListing::Sizes(reply, count, sizes) && sizes.size() != size_t(count))
                __builtin_trap();
            if (TScanListing::Uids(reply, count, uids)) {
                if (uids.size() != size_t(count)) __builtin_trap();
                for (const std::string& uid : uids) {
                    if (!TScanListing::ValidUid(uid)) __builtin_trap();
                }
            }
        }
        multiLine = !multiLine;
    }
    return 0;
}
