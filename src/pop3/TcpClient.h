#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "pop3/ByteStream.h"
#include "pop3/HostLookup.h"

// A blocking IPv4 TCP client: Winsock on Windows, BSD sockets elsewhere. Everything above this
// class is the same code on both. Used by one owning thread; only Abort may be called from another.
class TTcpClient final : public TByteStream {
public:
    enum class TCheck { Ok, StartupFailed, SocketFailed, NameNotFound, TimedOut, Aborted };
    using TWait = TByteStream::TWait;

    TTcpClient();
    ~TTcpClient() override;
    TTcpClient(const TTcpClient&) = delete;
    TTcpClient& operator=(const TTcpClient&) = delete;

    // Checks that sockets can be started and created (Winsock 1.1 on Windows) and resolves host,
    // a dotted address or a name, into address (network byte order) within timeoutMs. Abort
    // ends the wait for the name servers within one short slice.
    TCheck Resolve(const std::string& host, uint32_t& address, int timeoutMs);
    // The lookup of host names; empty: the system's. Tests put in one that never answers.
    THostLookup::TResolver Resolver;

    // Connects within timeoutMs; false when that fails, times out or is aborted.
    bool Open(uint32_t address, uint16_t port, int timeoutMs);
    bool Connected() const { return Socket != InvalidSocket; }
    void Close() override;
    // Writes all of data; returns the bytes written (less than length on failure).
    size_t Write(const char* data, size_t length);
    // Waits until data (or the end of the stream) can be read. On Windows the thread's pending
    // window messages are processed between short slices of the wait.
    TWait WaitReadable(int timeoutMs);
    // Reads what is there, at most length bytes: > 0 bytes read, 0 end of stream, < 0 error.
    long Read(char* buffer, size_t length);

    // Any thread: ends a wait within one short slice and makes every later Open fail.
    void Abort() override;
    bool Aborted() const { return AbortRequested.load(); }

    // The stream: nothing written counts as a time-out, a part written as a failure.
    TEnd ReadSome(char* buffer, size_t length, int timeoutMs, size_t& count) override;
    TEnd WriteAll(const char* data, size_t length) override;
    std::string FailureText() const override { return LastErrorText(); }

    // Text of the last socket error of the calling thread.
    static std::string LastErrorText();

private:
    // The name servers' part of Resolve, given up at Abort or after timeoutMs.
    TCheck LookUp(const std::string& host, uint32_t& address, int timeoutMs);

#ifdef _WIN32
    using TSocket = uintptr_t;
    static constexpr TSocket InvalidSocket = ~static_cast<uintptr_t>(0);
#else
    using TSocket = int;
    static constexpr TSocket InvalidSocket = -1;
#endif
    // Written only by the owning thread under Guard; Abort reads it under Guard.
    TSocket Socket = InvalidSocket;
    std::mutex Guard;
    std::atomic<bool> AbortRequested{false};
    bool Started = false;  // the Winsock start-up this object holds
};
