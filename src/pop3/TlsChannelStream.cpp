#include "pop3/TlsChannel.h"

// The channel as a byte stream, the same over SChannel and in builds without it.

TByteStream::TEnd TTlsChannel::ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) {
    return ReadWhenReadable(
        *this, [this] { return Tcp.Aborted(); }, buffer, length, timeoutMs, count);
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
