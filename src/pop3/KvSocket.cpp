#include "pop3/KvSocket.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "auth/Xoauth2.h"
#include "pop3/CertQuestion.h"
#include "pop3/FailureText.h"
#include "pop3/Md5.h"
#include "pop3/Pop3Capabilities.h"
#include "pop3/ScanListing.h"

namespace {

const char Crlf[] = "\r\n";

using TStatus = TPop3Reply::TStatus;

// What a single UIDL n reply carries after its number.
std::string UidOf(const std::string& reply) {
    size_t blank = reply.find(' ');
    return blank == std::string::npos ? reply : reply.substr(blank + 1);
}

// A batch of count commands, command i given by line(i).
TPop3Pipeline::TBatch Batch(size_t count, bool multiLine, std::function<std::string(size_t)> line) {
    TPop3Pipeline::TBatch batch;
    batch.Count = count;
    batch.MultiLine = multiLine;
    batch.Line = std::move(line);
    return batch;
}

}  // namespace

TKvSocket::TKvSocket() : Pipe(*this, Framer) {}

// ---- the opening, one step after another ------------------------------------------------------

void TKvSocket::Connect(bool listings) {
    CheckOwner();
    if (Connected()) return;
    // A token is as good as a password for its hour: it never goes out in clear.
    if (UseXoauth2 && Security == SecurityNone) {
        ErrorText = TFailureText::Xoauth2NeedsTls;
        throw EPop3Failure(ErrorText, "", TFailureKind::LoginRefused);
    }
    TakeOwnership();
    const uint32_t address = Resolve();
    MessageCount = -1;
    ErrorText.clear();
    Capabilities = TPop3Capabilities();
    KeptSizes.reset();
    KeptUids.reset();
    Open(address);
    if (Security == SecurityTls) StartTls();
    // APOP takes the time stamp of this first greeting, also after STLS.
    const std::string greeting = ReadGreeting();
    if (Security == SecurityStartTls) RequestStartTls();
    // A server that took commands ahead last time is sent them ahead from the login on.
    const bool ahead = PipelinedBefore == ServerKey();
    // Until this session's CAPA says it again: a session that fails on the way leaves the next
    // login in lock-step.
    PipelinedBefore.clear();
    if (UseXoauth2)
        LoginXoauth2();
    else if (UseApop)
        LoginApop(greeting);
    else if (ahead)
        LoginAhead();
    else
        LoginUser();
    if (ahead) {
        OpeningBatch(true, listings);
        return;
    }
    Capa();
    if (listings && Capabilities.Pipelining)
        OpeningBatch(false, true);
    else
        Stat();
}

std::string TKvSocket::ReadGreeting() {
    CommandNumber = CommandGreeting;
    if (Receive(false) != TStatus::Positive) Refuse();
    CommandNumber = CommandIdle;
    return LastReply;
}

void TKvSocket::RequestStartTls() {
    bool refused = false;
    try {
        CommandNumber = CommandStls;
        refused = !Exchange(std::string("STLS") + Crlf, true);
    } catch (const EPop3Failure& failure) {
        // No answer, or none that makes sense: the same as a refusal, unless the user stopped.
        if (Aborted()) throw;
        Close();
        throw EPop3Failure(TFailureText::NoStartTls, failure.ServerText());
    }
    if (refused) {
        Close();
        throw EPop3Failure(TFailureText::NoStartTls, LastReply);
    }
    // Bytes sent in clear after the "+OK" must not pass for the encrypted server's.
    Framer.Clear();
    StartTls();
}

void TKvSocket::LoginUser() {
    LoginStep(CommandUser, "USER " + UserName + Crlf);
    LoginPass();
}

void TKvSocket::LoginPass() { LoginStep(CommandPass, "PASS " + Password + Crlf); }

void TKvSocket::LoginApop(const std::string& greeting) {
    // The time stamp runs from the first "<" to the next ">", brackets included.
    size_t open = greeting.find('<');
    size_t close = open == std::string::npos ? open : greeting.find('>', open);
    if (close == std::string::npos) {
        // Without a time stamp the digest would be an unsalted hash of the password alone; a
        // server that sends none cannot take APOP, so nothing is sent.
        ErrorText = TFailureText::LoginRefused;
        throw EPop3Failure(ErrorText, LastReply, TFailureKind::LoginRefused);
    }
    std::string digest = TMd5::Hex(greeting.substr(open, close - open + 1) + Password);
    LoginStep(CommandApop, "APOP " + UserName + " " + digest + Crlf);
}

void TKvSocket::LoginXoauth2() {
    for (int attempt = 0;; ++attempt) {
        const std::string token = OnAccessToken ? OnAccessToken(attempt > 0) : std::string();
        const std::optional<std::string> response = Xoauth2::InitialResponse(UserName, token);
        if (!response) {
            ErrorText = TFailureText::TokenRefused;
            throw EPop3Failure(ErrorText, "", TFailureKind::LoginRefused, "AUTH");
        }
        // Two steps: Microsoft refuses the token on the AUTH line itself.
        TStatus status = AuthLine("AUTH XOAUTH2" + std::string(Crlf));
        if (status == TStatus::Negative &&
            EPop3Failure::KindOfReply(LastReply, TFailureKind::LoginRefused) !=
                TFailureKind::LoginRefused)
            RefuseLogin(CommandAuth);
        if (status == TStatus::Negative) {
            ErrorText = TFailureText::TokenRefused;
            throw EPop3Failure(ErrorText, LastReply, TFailureKind::LoginRefused, "AUTH");
        }
        if (!Continues()) RaiseFailure(TFailureKind::CommError, LastReply);
        status = AuthLine(*response + Crlf);
        if (status == TStatus::Positive) return;
        std::string challenge;
        if (Continues()) {
            // The failure comes as a challenge carrying the reason; the empty answer ends the
            // exchange with the "-ERR".
            challenge = Xoauth2::ChallengeText(LastReply);
            status = AuthLine(Crlf);
        }
        if (status != TStatus::Negative) RaiseFailure(TFailureKind::CommError, LastReply);
        const TFailureKind kind = EPop3Failure::KindOfReply(LastReply, TFailureKind::LoginRefused);
        if (kind != TFailureKind::LoginRefused) RefuseLogin(CommandAuth);
        // The token may have been revoked or expired early: a new one once.
        if (attempt == 0) continue;
        ErrorText = TFailureText::TokenRefused;
        throw EPop3Failure(ErrorText, challenge.empty() ? LastReply : LastReply + " " + challenge,
                           TFailureKind::LoginRefused, "AUTH");
    }
}

TPop3Reply::TStatus TKvSocket::AuthLine(const std::string& text) {
    CommandNumber = CommandAuth;
    CheckLine(text);
    if (!Connected() || Aborted()) RaiseFailure(TFailureKind::Disconnected);
    WriteAll(text);
    LogSent(text.data(), text.size());
    return ReceiveReply(false);
}

bool TKvSocket::Continues() const {
    return LastReply.compare(0, 1, "+") == 0 && (LastReply.size() == 1 || LastReply[1] == ' ');
}

void TKvSocket::LoginAhead() {
    static const TCommand kinds[] = {CommandUser, CommandPass};
    TCommand refused = CommandIdle;
    std::string refusal;
    TPop3Pipeline::TBatch batch = Batch(2, false, [this](size_t i) {
        return (i == 0 ? "USER " + UserName : "PASS " + Password) + Crlf;
    });
    batch.MayRefuse = true;
    batch.Refused = [&](size_t i) {
        if (refused != CommandIdle) return;
        refused = kinds[i];
        refusal = LastReply;
    };
    BatchKinds.assign(std::begin(kinds), std::end(kinds));
    if (Run(CommandUser, batch, true)) return;
    // The first refusal is the one that tells why.
    LastReply = refusal;
    RefuseLogin(refused);
}

void TKvSocket::LoginStep(TCommand command, const std::string& text) {
    CommandNumber = command;
    if (Exchange(text, true)) return;
    RefuseLogin(command);
}

void TKvSocket::RefuseLogin(TCommand command) {
    // The connection stays for a QUIT. A response code tells a locked mailbox, a login too soon
    // and a passing trouble of the server from a wrong password.
    const TFailureKind kind = EPop3Failure::KindOfReply(LastReply, TFailureKind::LoginRefused);
    ErrorText = kind == TFailureKind::LoginDelay     ? EPop3Failure::LoginDelayText(LoginDelay)
                : kind == TFailureKind::LoginRefused ? TFailureText::LoginRefused
                                                     : EPop3Failure::TextOf(kind);
    throw EPop3Failure(ErrorText, LastReply, kind, CommandName(command));
}

void TKvSocket::Capa() {
    Capabilities = TPop3Capabilities();
    TPop3Pipeline::TBatch batch = Batch(1, true, [](size_t) { return std::string("CAPA") + Crlf; });
    batch.MayRefuse = true;  // a refusal means no capabilities
    batch.Replied = [this](size_t) { TakeCapabilities(); };
    Run(CommandCapa, batch);
}

void TKvSocket::TakeCapabilities() {
    Capabilities = TPop3Capabilities::Parse(MultiLineText);
    if (Capabilities.LoginDelay) LoginDelay = Capabilities.LoginDelay;
    PipelinedBefore = Capabilities.Pipelining ? ServerKey() : std::string();
}

std::string TKvSocket::ServerKey() const {
    return Host + "\n" + std::to_string(Port) + "\n" + std::to_string(Security) + "\n" + UserName;
}

void TKvSocket::Stat() {
    CommandNumber = CommandStat;
    MessageCount = ParseNumber(CommandStat, SendCommand(std::string("STAT") + Crlf));
}

void TKvSocket::OpeningBatch(bool capa, bool listings) {
    std::vector<TCommand> kinds;
    if (capa) kinds.push_back(CommandCapa);
    kinds.push_back(CommandStat);
    if (listings) kinds.insert(kinds.end(), {CommandList, CommandUidl});
    std::vector<int32_t> sizes;
    std::vector<std::string> uids;
    bool uidsListed = false;
    TPop3Pipeline::TBatch batch = Batch(kinds.size(), true, [&kinds](size_t i) {
        return CommandName(kinds[i]) + std::string(Crlf);
    });
    batch.MultiLineOf = [&kinds](size_t i) { return kinds[i] != CommandStat; };
    // A refused CAPA means no capabilities, a refused UIDL listing one UIDL per message; STAT and
    // LIST fail as they do alone.
    batch.MayRefuse = true;
    batch.Refused = [this, &kinds](size_t i) {
        if (kinds[i] == CommandStat || (kinds[i] == CommandList && MessageCount != NoCountInStat))
            Refuse();
    };
    batch.Replied = [&](size_t i) {
        if (kinds[i] == CommandCapa) {
            TakeCapabilities();
            return;
        }
        if (kinds[i] == CommandStat) {
            MessageCount = ParseNumber(CommandStat, TPop3Reply::WithoutStatus(LastReply));
            return;
        }
        // Without a count the owner ends the session; the listings are not read.
        if (MessageCount == NoCountInStat) return;
        std::string offending;
        const bool valid = kinds[i] == CommandList
                               ? TScanListing::Sizes(MultiLineText, MessageCount, sizes, &offending)
                               : TScanListing::Uids(MultiLineText, MessageCount, uids, &offending);
        // A status line where a listing's line is due: the replies fell out of step.
        if (!valid && (offending.rfind("+OK", 0) == 0 || offending.rfind("-ERR", 0) == 0))
            RaiseDesync(offending);
        if (!valid) RaiseFailure(TFailureKind::CommError, offending);
        uidsListed = uidsListed || kinds[i] == CommandUidl;
    };
    if (capa) Capabilities = TPop3Capabilities();
    BatchKinds = kinds;
    Run(kinds.front(), batch, true);
    if (listings && MessageCount != NoCountInStat) {
        KeptSizes = std::move(sizes);
        KeptUids = uidsListed ? std::move(uids) : UidlEach();
    }
}

int32_t TKvSocket::ParseNumber(TCommand kind, const std::string& text) {
    int32_t value = 0;
    size_t blank = text.find(' ');
    if (kind == CommandStat) {
        return TScanListing::Number(text.substr(0, blank), value) ? value : NoCountInStat;
    }
    if (kind == CommandList) {
        std::string rest = blank == std::string::npos ? text : text.substr(blank + 1);
        return TScanListing::Number(rest, value) ? value : 0;
    }
    return 0;
}

// ---- the mailbox ------------------------------------------------------------------------------

int32_t TKvSocket::List(int32_t n) {
    CommandNumber = CommandList;
    return ParseNumber(CommandList, SendCommand("LIST " + std::to_string(n) + Crlf));
}

std::vector<int32_t> TKvSocket::ListAll() {
    if (KeptSizes) {
        std::vector<int32_t> kept = std::move(*KeptSizes);
        KeptSizes.reset();
        return kept;
    }
    std::vector<int32_t> sizes;
    TPop3Pipeline::TBatch batch = Batch(1, true, [](size_t) { return std::string("LIST") + Crlf; });
    batch.Replied = [this, &sizes](size_t) {
        std::string offending;
        if (!TScanListing::Sizes(MultiLineText, MessageCount, sizes, &offending))
            RaiseFailure(TFailureKind::CommError, offending);
    };
    Run(CommandList, batch);
    return sizes;
}

std::string TKvSocket::Uidl(int32_t n) {
    CommandNumber = CommandUidl;
    return UidOf(SendCommand("UIDL " + std::to_string(n) + Crlf));
}

std::vector<std::string> TKvSocket::UidlAll() {
    if (KeptUids) {
        std::vector<std::string> kept = std::move(*KeptUids);
        KeptUids.reset();
        return kept;
    }
    std::vector<std::string> uids;
    TPop3Pipeline::TBatch listing =
        Batch(1, true, [](size_t) { return std::string("UIDL") + Crlf; });
    listing.MayRefuse = true;
    listing.Replied = [this, &uids](size_t) {
        std::string offending;
        if (!TScanListing::Uids(MultiLineText, MessageCount, uids, &offending))
            RaiseFailure(TFailureKind::CommError, offending);
    };
    if (Run(CommandUidl, listing)) return uids;
    return UidlEach();
}

std::vector<std::string> TKvSocket::UidlEach() {
    std::vector<std::string> uids;
    // A server without the listing still answers for each message, checked as strictly as the
    // listing: "n id" for the n asked, and no more than the listing's bytes in all.
    size_t received = 0;
    TPop3Pipeline::TBatch each =
        Batch(static_cast<size_t>(std::max(MessageCount, 0)), false,
              [](size_t i) { return "UIDL " + std::to_string(i + 1) + Crlf; });
    each.Replied = [this, &uids, &received](size_t i) {
        const std::string reply = TPop3Reply::WithoutStatus(LastReply);
        const size_t blank = reply.find(' ');
        int32_t number = 0;
        received += reply.size() + sizeof(std::string);
        const bool numbered =
            blank != std::string::npos && TScanListing::Number(reply.substr(0, blank), number);
        // Sent ahead, the reply for another message is one that lost its place.
        if (numbered && static_cast<size_t>(number) != i + 1 && Pipe.Ahead())
            RaiseDesync(LastReply);
        if (!numbered || static_cast<size_t>(number) != i + 1 ||
            !TScanListing::ValidUid(reply.substr(blank + 1)) || received > MaxListingLength)
            RaiseFailure(TFailureKind::CommError, LastReply);
        uids.push_back(reply.substr(blank + 1));
    };
    Run(CommandUidl, each);
    return uids;
}

const std::vector<std::string>& TKvSocket::Top(int32_t n) {
    HeaderLines.clear();
    MultiLineText.clear();
    TPop3Pipeline::TBatch batch =
        Batch(1, true, [n](size_t) { return "TOP " + std::to_string(n) + " 0" + Crlf; });
    batch.Replied = [this](size_t) { TPop3Reply::SplitHeader(MultiLineText, HeaderLines); };
    Run(CommandTop, batch);
    return HeaderLines;
}

void TKvSocket::TopAll(
    int32_t count, const std::function<void(int32_t)>& starting,
    const std::function<void(int32_t, const std::vector<std::string>&)>& header) {
    TPop3Pipeline::TBatch batch =
        Batch(static_cast<size_t>(std::max(count, 0)), true,
              [](size_t i) { return "TOP " + std::to_string(i + 1) + " 0" + Crlf; });
    batch.Before = [&starting](size_t i) {
        if (starting) starting(static_cast<int32_t>(i + 1));
    };
    batch.Replied = [this, &header](size_t i) {
        TPop3Reply::SplitHeader(MultiLineText, HeaderLines);
        if (header) header(static_cast<int32_t>(i + 1), HeaderLines);
    };
    CloseWithStat(batch);
    Run(CommandTop, batch);
}

void TKvSocket::CloseWithStat(TPop3Pipeline::TBatch& batch) {
    // The batch closes with a STAT, whose reply must repeat the count the opening one gave.
    if (MessageCount >= 0 && MessageCount != NoCountInStat) {
        batch.ClosingLine = std::string("STAT") + Crlf;
        batch.InStep = [this](const std::string& reply) {
            return ParseNumber(CommandStat, TPop3Reply::WithoutStatus(reply)) == MessageCount;
        };
    }
}

void TKvSocket::TopEach(const std::vector<int32_t>& numbers,
                        const std::function<void(size_t, const std::vector<std::string>&)>& header,
                        bool closeWithStat) {
    TPop3Pipeline::TBatch batch = Batch(numbers.size(), true, [&numbers](size_t i) {
        return "TOP " + std::to_string(numbers[i]) + " 0" + Crlf;
    });
    batch.Replied = [this, &header](size_t i) {
        TPop3Reply::SplitHeader(MultiLineText, HeaderLines);
        if (header) header(i, HeaderLines);
    };
    if (closeWithStat) CloseWithStat(batch);
    Run(CommandTop, batch);
}

bool TKvSocket::Retr(int32_t n, int32_t listedSize,
                     const std::function<void(const char*, size_t)>& message) {
    TPop3Pipeline::TBatch batch =
        Batch(1, true, [n](size_t) { return "RETR " + std::to_string(n) + Crlf; });
    batch.MayRefuse = true;
    MessageSink = &message;
    MessageLimit = 2 * static_cast<size_t>(std::max(listedSize, 0)) + MessageSlack;
    try {
        const bool answered = Run(CommandRetr, batch);
        MessageSink = nullptr;
        return answered;
    } catch (...) {
        MessageSink = nullptr;
        throw;
    }
}

void TKvSocket::Dele(int32_t n) {
    CommandNumber = CommandDele;
    SendCommand("DELE " + std::to_string(n) + Crlf);
}

void TKvSocket::DeleAll(const std::vector<int32_t>& numbers) {
    Run(CommandDele, Batch(numbers.size(), false, [&numbers](size_t i) {
            return "DELE " + std::to_string(numbers[i]) + Crlf;
        }));
}

bool TKvSocket::Noop() {
    try {
        CommandNumber = CommandNoop;
        SendCommand(std::string("NOOP") + Crlf);
        return true;
    } catch (const std::exception&) {
        CommandNumber = CommandIdle;
        return false;
    }
}

bool TKvSocket::Quit() {
    CheckOwner();
    if (!Connected()) return false;
    CommandNumber = CommandQuit;
    bool confirmed = false;
    try {
        SendCommand(std::string("QUIT") + Crlf);
        confirmed = true;
    } catch (const std::exception&) {
    }
    CloseInOrder();
    CommandNumber = CommandIdle;
    return confirmed;
}

// ---- command layer ----------------------------------------------------------------------------

std::string TKvSocket::SendCommand(const std::string& text) {
    Exchange(text, false);
    return LastReply;
}

bool TKvSocket::Exchange(const std::string& text, bool mayRefuse) {
    LastReply.clear();
    TPop3Pipeline::TBatch batch =
        Batch(1, CommandNumber == CommandTop, [&text](size_t) { return text; });
    batch.MayRefuse = mayRefuse;
    if (!Run(CommandNumber, batch, false)) return false;
    LastReply = TPop3Reply::WithoutStatus(LastReply);
    return true;
}

bool TKvSocket::Run(TCommand command, const TPop3Pipeline::TBatch& batch) {
    return Run(command, batch, Capabilities.Pipelining);
}

bool TKvSocket::Run(TCommand command, const TPop3Pipeline::TBatch& batch, bool ahead) {
    CheckOwner();
    // Listings kept from the login hold only until another command may have changed them.
    if (command != CommandList && command != CommandUidl) {
        KeptSizes.reset();
        KeptUids.reset();
    }
    if (!Connected() || Aborted()) RaiseFailure(TFailureKind::Disconnected);
    BatchCommand = command;
    return Pipe.Run(batch, ahead);
}

void TKvSocket::ReadReply() {
    CheckOwner();
    if (Receive(CommandNumber == CommandTop) != TStatus::Positive) Refuse();
}

bool TKvSocket::CertificateAccepted(const TCertReport& report) {
    return OnCertificate ? OnCertificate(*this, report)
                         : CertQuestion::Decide(report, "") == CertQuestion::TDecision::Accept;
}

void TKvSocket::LogStopped() {
    if (OnLogStopped) OnLogStopped(*this);
}

void TKvSocket::Begin(size_t index, bool closing) {
    if (closing)
        CommandNumber = CommandStat;
    else
        CommandNumber = index < BatchKinds.size() ? BatchKinds[index] : BatchCommand;
}

void TKvSocket::CheckLine(const std::string& text) {
    // A CR, LF or NUL inside the line (say in a user name) would smuggle in a second command.
    size_t body = text.size() >= 2 ? text.size() - 2 : 0;
    if (text.compare(body, 2, Crlf) != 0 || text.find_first_of(std::string("\r\n\0", 3)) < body)
        RaiseFailure(TFailureKind::CommError);
}

void TKvSocket::Write(const std::string& bytes) { WriteAll(bytes); }

void TKvSocket::Sent(const char* line, size_t length) { LogSent(line, length); }

TStatus TKvSocket::Receive(bool multiLine) {
    ReplyStatus = multiLine && CommandNumber == CommandRetr && MessageSink
                      ? ReceiveStreamed(*MessageSink, MessageLimit)
                      : ReceiveReply(multiLine);
    return ReplyStatus;
}

const std::string& TKvSocket::Reply() const { return LastReply; }

[[noreturn]] void TKvSocket::Refuse() {
    if (CommandNumber == CommandNoop && ReplyStatus == TStatus::Negative) {
        // A refused NOOP leaves the connection as it is.
        CommandNumber = CommandIdle;
        throw EPop3Failure("", LastReply);
    }
    RaiseFailure(TFailureKind::CommError, LastReply);
}

[[noreturn]] void TKvSocket::Desync(const std::string& serverText) { RaiseDesync(serverText); }

void TKvSocket::Abandon() { Close(); }

void TKvSocket::End() {
    CommandNumber = CommandIdle;
    BatchKinds.clear();
}
