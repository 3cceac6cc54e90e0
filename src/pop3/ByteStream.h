#pragma once
#include <cstddef>
#include <string>

// The bytes of one connection as the session sees them, plain or encrypted alike. Used by one
// owning thread; only Abort may be called from another.
class TByteStream {
public:
    enum class TWait { Readable, TimedOut, Aborted };
    // How a read or a write ended.
    enum class TEnd { Done, TimedOut, Aborted, Ended, Failed };

    virtual ~TByteStream() = default;

    // Waits at most timeoutMs for bytes, then takes what is there, at most length; count is the
    // number taken. Ended: the peer closed the stream.
    virtual TEnd ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) = 0;
    // Writes all of data.
    virtual TEnd WriteAll(const char* data, size_t length) = 0;
    // Ends the stream in order (an encrypted one says so to the peer first) and closes it.
    virtual void Close() = 0;
    // Any thread: ends a wait within one short slice, and every later one at once.
    virtual void Abort() = 0;
    // Why the last read or write Failed, in the user's words; empty when nothing more is known.
    virtual std::string FailureText() const = 0;
    // The protection in place (protocol and cipher); empty for plain text.
    virtual std::string Description() const { return std::string(); }
};

// ReadSome over a source with WaitReadable and Read (the TCP client, the TLS channel): wait, then
// take what is there; aborted() is asked after the read, since an abort can cut it short.
template <class TSource, class TAborted>
TByteStream::TEnd ReadWhenReadable(TSource& source, TAborted aborted, char* buffer, size_t length,
                                   int timeoutMs, size_t& count) {
    using TWaitOf = decltype(source.WaitReadable(timeoutMs));
    count = 0;
    switch (source.WaitReadable(timeoutMs)) {
        case TWaitOf::Aborted:
            return TByteStream::TEnd::Aborted;
        case TWaitOf::TimedOut:
            return TByteStream::TEnd::TimedOut;
        case TWaitOf::Readable:
            break;
    }
    const long n = source.Read(buffer, length);
    if (aborted()) return TByteStream::TEnd::Aborted;
    if (n == 0) return TByteStream::TEnd::Ended;
    if (n < 0) return TByteStream::TEnd::Failed;
    count = static_cast<size_t>(n);
    return TByteStream::TEnd::Done;
}
