#include "pop3/SessionLog.h"

#include "pop3/LogWriter.h"
#include "pop3/Pop3Failure.h"

namespace {
const char Crlf[] = "\r\n";
}

void TSessionLog::Start(const std::string& fileName) { Writer = TLogWriter::Recreate(fileName); }

void TSessionLog::Off() { Writer.reset(); }

void TSessionLog::Write(const char* bytes, size_t count) {
    if (!Writer) return;
    try {
        Writer->Write(bytes, count);
    } catch (const EPop3Failure& failure) {
        // The exchange must stay in step: the log stops, the mail work goes on.
        Writer.reset();
        if (Stopped) Stopped(failure.what());
    }
}

void TSessionLog::Entry(const std::string& entry) { Write(entry.data(), entry.size()); }

void TSessionLog::Sent(int command, const char* line, size_t length, const char* masked) {
    if (!On()) return;
    const std::string text = masked ? std::string(masked) : std::string(line, length);
    Entry("Send:" + std::to_string(command) + Crlf + text + Crlf);
}

void TSessionLog::Received(int command, const std::string& reply, bool refused) {
    if (!On()) return;
    Entry("Receive:" + std::to_string(command) + (refused ? " ERROR" : "") + Crlf + reply + Crlf);
}
