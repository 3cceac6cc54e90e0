#include "pop3/TlsChannel.h"

// The channel as a byte stream, the same over SChannel and in builds without it.

TByteStream::TEnd TTlsChannel::ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) {
    count = 0;
    switch (WaitReadable(timeoutMs)) {
        case TWait::Aborted:
            return TEnd::Aborted;
        case TWait::TimedOut:
            return TEnd::TimedOut;
        case TWait::Readable:
            break;
    }
    const long n = Read(buffer, length);
    if (Tcp.Aborted()) return TEnd::Aborted;
    if (n == 0) return TEnd::Ended;
    if (n < 0) return TEnd::Failed;
    count = static_cast<size_t>(n);
    return TEnd::Done;
}

TByteStream::TEnd TTlsChannel::WriteAll(const char* data, size_t length) {
    const size_t written = Write(data, length);
    if (Tcp.Aborted()) return TEnd::Aborted;
    return written < length ? TEnd::Failed : TEnd::Done;
}

void TTlsChannel::Close() {
    if (Tcp.Connected()) Shutdown();
    Tcp.Close();
}
