#include "worker/Connect.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "auth/AuthFailure.h"
#include "auth/ShellBrowser.h"
#include "headers/MainDM.h"
#include "headers/ServerAddress.h"
#include "headers/SjisText.h"
#include "history/DeleteHistory.h"
#include "pop3/CertQuestion.h"

std::atomic<int> TConnect::Threads{0};

namespace {

// The row's sent time in the history's form, from its sort key ("yyyymmddhhnnsszz"); the shown
// column when the key is not one.
std::string SentText(const TMailRow& row) {
    const std::string& key = row.Columns[TMailRow::DateKey];
    int parts[6] = {};
    static const size_t at[6] = {0, 4, 6, 8, 10, 12}, length[6] = {4, 2, 2, 2, 2, 2};
    for (size_t i = 0; i < 6; ++i) {
        if (key.size() != 16 || !SjisText::ToInt32(key.substr(at[i], length[i]), parts[i]))
            return row.Columns[TMailRow::Sent];
    }
    return TDeleteHistory::TimeText(
        TMainDM::EncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]));
}

}  // namespace

double TConnect::LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return TMainDM::EncodeDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                   parts.tm_hour, parts.tm_min, parts.tm_sec);
}

void TConnectTearDown::operator()(TConnect* worker) const {
    if (worker->TearDown()) delete worker;
}

TConnectPtr TConnect::Create(int index, TAccountPage& page) {
    return TConnectPtr(new TConnect(index, page));
}

TConnect::TConnect(int index, TAccountPage& page) : Index(index), Page(page) {
    Tokens.Rotated = [this](const std::string& token) { Page.RefreshTokenChanged(token); };
}

TConnect::~TConnect() {
    if (Thread.joinable()) {
        if (Thread.get_id() == std::this_thread::get_id()) {
            Thread.detach();
        } else {
            Thread.join();
        }
    }
}

int TConnect::LiveThreads() { return Threads.load(); }

TConnect::TQuestion TConnect::QuestionBefore(TCommand command, const TCheckInputs& inputs,
                                             bool connected) {
    TQuestion question;
    if (command == CmdConnect) {
        // A signed-in account logs in with a token; a connected one only checks its session.
        if (connected || IsOAuth(inputs.OAuth.Method) || inputs.Serv.empty() ||
            inputs.IDNum.empty() || !inputs.Pass.empty())
            return question;
        question.Kind = TQuestion::TKind::Password;
        question.Text = SjisText::Trim(inputs.TabCaption);
    } else if (command == CmdDelete) {
        TStringList titles;
        for (const TMailRow& row : inputs.Rows)
            if (row.Ticked) titles.push_back(row.Columns[TMailRow::Title]);
        // Nothing ticked: the command only disconnects.
        if (titles.empty()) return question;
        question.Kind = TQuestion::TKind::ConfirmDelete;
        question.Text = DeleteConfirmText(titles) + (inputs.KeepCopy ? KeepCopyNote : "");
    }
    return question;
}

bool TConnect::Resume(TCommand command, TCheckInputs inputs) {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Terminated || Running) return false;
    Command = command;
    GivenInputs = std::move(inputs);
    Pending = true;
    Running = true;
    if (!Thread.joinable()) {
        ++Threads;
        Thread = std::thread([this] { Execute(); });
    }
    Wake.notify_one();
    return true;
}

bool TConnect::Busy() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Running;
}

bool TConnect::WaitIdle(int milliseconds) {
    std::unique_lock<std::mutex> lock(Mutex);
    return Idle.wait_for(lock, std::chrono::milliseconds(milliseconds),
                         [this] { return !Running; });
}

bool TConnect::TearDown() {
    // From here on the worker cannot reach the page; a question it waits on is released. First,
    // so that the failure of the connection aborted below is not shown on a page going away.
    Page.Detach();
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Terminated = true;
        Command = CmdNone;
        // A worker blocked on the server comes back at once; every later command fails.
        if (Session) Session->Abort();
        if (SigningIn) SigningIn->Cancel();
    }
    std::unique_lock<std::mutex> lock(Mutex);
    if (!Thread.joinable()) return true;
    if (Running) {
        // Never wait for a busy worker: it stops at its next step and frees itself.
        FreesItself = true;
        return false;
    }
    Wake.notify_one();
    lock.unlock();
    Thread.join();
    return true;
}

void TConnect::Execute() {
    {
        auto session = std::make_unique<TKvSocket>();
        session->OnLogStopped = [this](TKvSocket& s) {
            Page.Show({TPanel::Progress, "通信ログ " + s.LogFileName +
                                             " を書き込めないため、記録を止めました (" +
                                             s.LogStopReason + ")。接続はそのまま続けます。"});
        };
        session->OnCertificate = [this](TKvSocket& s, const TCertReport& report) {
            return TrustCertificate(s, report);
        };
        std::lock_guard<std::mutex> lock(Mutex);
        Session = std::move(session);
        if (Terminated) Session->Abort();
    }
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        Wake.wait(lock, [this] { return Pending || Terminated; });
        if (Terminated) break;
        const TCommand command = Command;
        Inputs = std::move(GivenInputs);
        Pending = false;
        lock.unlock();
        Shown = Inputs.Rows;
        RunCommand(command);
        // Logged in and not quit: what the periodic checks must leave alone.
        LoggedIn = Session->Connected() && Session->MessageCount != -1;
        lock.lock();
        Running = false;
        Idle.notify_all();
    }
    Running = false;
    Idle.notify_all();
    const bool freesItself = FreesItself;
    std::unique_ptr<TKvSocket> session = std::move(Session);
    lock.unlock();
    session.reset();
    if (freesItself) delete this;
    --Threads;
}

void TConnect::RunCommand(TCommand command) {
    try {
        switch (command) {
            case CmdConnect:
                ConnectAndList();
                break;
            case CmdDisconnect:
                Disconnect();
                break;
            case CmdDelete:
                DeleteAndDisconnect();
                break;
            case CmdHeader:
                FetchHeader();
                break;
            case CmdCheck:
                Inputs.Unattended = true;
                PeriodicCheck();
                break;
            default:
                break;
        }
    } catch (const EWorkerStopped&) {
        // Torn down: the page is gone, nothing more to show.
    } catch (const std::exception& failure) {
        // Whatever a command did not handle itself (a failed header fetch, for instance): the
        // worker stays ready and the account shows the failure like any other.
        try {
            ShowFailure(failure);
        } catch (const EWorkerStopped&) {
        }
    }
}

TPageChange& TConnect::LoginFields(TPageChange& change, bool enabled) {
    LoginFieldsEnabled = enabled;
    return change.SetLogin(enabled);
}

void TConnect::ShowFailure(const std::exception& failure, const std::string& text, bool login) {
    TPageChange change(TPanel::Progress, text.empty() ? failure.what() : text);
    change.Tip(Detail(failure)).SetButtons(true).SetProtection("").SetLamp(TLamp::Idle);
    if (login) LoginFields(change, true);
    Page.Show(change);
}

std::string TConnect::Detail(const std::exception& failure) {
    const auto* pop3 = dynamic_cast<const EPop3Failure*>(&failure);
    const auto* auth = dynamic_cast<const EAuthFailure*>(&failure);
    const std::string detail = pop3 ? pop3->Detail() : auth ? auth->Detail() : std::string();
    if (detail.empty()) return detail;
    const std::string entry = "詳細: " + detail + "\r\n\r\n";
    Session->WriteLog(entry.data(), entry.size());
    return detail;
}

void TConnect::ConnectAndList() {
    HandTicks.clear();
    // Connected means logged in: a connection left open by a refused login may still answer NOOP.
    if (Session->MessageCount != -1 && Session->Noop()) return;
    const std::string& server = Inputs.Serv;
    const std::string& user = Inputs.IDNum;
    const std::string& password = Inputs.Pass;
    // A signed-in account logs in with a token; a password was asked before the command.
    const bool token = IsOAuth(Inputs.OAuth.Method);
    if (server.empty() || user.empty() || (!token && password.empty())) return;
    Disconnect();
    try {
        try {
            OpenSession(password);
        } catch (const EAuthFailure& failure) {
            if (failure.Kind() != EAuthFailure::SignIn) throw;
            // Only the browser helps, and the user is there to use it: once.
            Session->Quit();
            SignInByBrowser();
            OpenSession(password);
        }
        ListOrFind(false);
    } catch (const std::exception& failure) {
        EndFailedConnect(failure);
    }
}

void TConnect::SignInByBrowser() {
    Page.Show({TPanel::Progress, "ブラウザでサインインしてください..."});
    if (!Https) Https = THttpsClient::System();
    TBrowserSignIn signIn;
    signIn.OpenBrowser = OpenBrowser ? OpenBrowser : OpenInBrowser;
    signIn.WaitMs = SignInWaitMs;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        if (Terminated) throw EWorkerStopped();
        SigningIn = &signIn;
    }
    TSignInTokens tokens;
    try {
        tokens = signIn.Run(Inputs.OAuth, Inputs.IDNum, *Https);
    } catch (...) {
        std::lock_guard<std::mutex> lock(Mutex);
        SigningIn = nullptr;
        throw;
    }
    {
        std::lock_guard<std::mutex> lock(Mutex);
        SigningIn = nullptr;
    }
    Tokens.SignedIn(tokens.RefreshToken, tokens.AccessToken, tokens.ExpiresIn);
    // The page keeps and stores it like one the provider replaced.
    Tokens.Rotated(tokens.RefreshToken);
}

void TConnect::OpenSession(const std::string& password) {
    // A port that is not a number throws before anything shows as busy.
    const TServerAddress address = TServerAddress::Parse(Inputs.Serv);
    const int security = Inputs.Security;
    Session->Security = security;
    // Without a port of its own an SSL/TLS account speaks to POP3's TLS port.
    Session->Port = address.ConnectPort(security == TKvSocket::SecurityTls
                                            ? TServerAddress::TlsPort
                                            : TServerAddress::DefaultPort);
    TrustedHash = Inputs.CertHash;
    Session->Host = address.Host;
    Session->TimeOut = TimeOut;
    Session->UserName = Inputs.IDNum;
    Session->Password = password;
    Session->UseXoauth2 = IsOAuth(Inputs.OAuth.Method);
    Session->UseApop = !Session->UseXoauth2 && Inputs.APOPCheck;
    Session->OnAccessToken = [this](bool renew) { return AccessToken(renew); };
    Tokens.Use(Inputs.OAuth, Inputs.RefreshToken);

    Session->LogFileName = "DelLog.txt";
    Session->LogEnabled = Inputs.LogEnabled;
    TPageChange busy(TPanel::Progress, "接続中...");
    busy.Tip("").SetButtons(false);
    // Both listings follow the login at once when the whole mailbox is listed afresh.
    LogIn(LoginFields(busy, false), Inputs.Unattended || Shown.empty());
}

void TConnect::LogIn(TPageChange& busy, bool listings) {
    Page.Show(busy.SetLamp(TLamp::Busy));
    Session->Connect(listings);
    Page.Show(TPageChange().SetProtection(ProtectionText()));
}

void TConnect::ListOrFind(bool forDelete) {
    TPageChange listed = Shown.empty() ? ListMailbox(true) : Resync(forDelete);
    // A deletion goes on at once; the buttons wait for its end.
    if (!forDelete) listed.SetButtons(true);
    Page.Show(listed);
}

void TConnect::EndFailedConnect(const std::exception& failure) {
    // A failure of our own (not the session's) may leave the login standing: end it, so that
    // the next connect does not take the account for connected.
    if (!dynamic_cast<const EPop3Failure*>(&failure)) Session->Quit();
    ShowFailure(failure, std::string(), true);
}

bool TConnect::TrustCertificate(TKvSocket& session, const TCertReport& report) {
    const CertQuestion::TDecision decision = CertQuestion::Decide(report, TrustedHash);
    if (decision == CertQuestion::TDecision::Accept) return true;
    if (decision == CertQuestion::TDecision::Refuse) return false;
    // Nobody may be there to answer: refused, and the check says why.
    if (Inputs.Unattended) {
        CertificateNotAsked = true;
        return false;
    }
    const std::string hash = CertHashText(report.Sha256);
    const bool changed = decision == CertQuestion::TDecision::AskChanged;
    if (!Page.AskTrustCertificate(CertQuestion::Text(report, session.Host, changed), hash))
        return false;
    TrustedHash = hash;
    return true;
}

std::string TConnect::AccessToken(bool renew) {
    if (!Https) Https = THttpsClient::System();
    return Tokens.AccessToken(*Https, renew);
}

std::string TConnect::ProtectionText() const {
    const std::string cipher = Session->TlsDescription();
    switch (Session->Security) {
        case TKvSocket::SecurityTls:
            return "SSL/TLS (" + cipher + ")";
        case TKvSocket::SecurityStartTls:
            return "STARTTLS (" + cipher + ")";
        default:
            return "なし";
    }
}

void TConnect::Disconnect(TPageChange change) {
    HeaderLines.clear();
    TRowsChange cleared;
    cleared.Clear = true;
    Page.ChangeRows(std::move(cleared));
    Shown.clear();
    if (!change.Texts[0] && !LoginFieldsEnabled)
        change.Set(TPanel::Progress, "サーバとの接続を切断しました。");
    if (change.Texts[0]) LoginFields(change, true);
    change.Set(TPanel::Count, "").Set(TPanel::Ticks, "");
    try {
        Session->Quit();
    } catch (const std::runtime_error&) {
    }
    ConnectionUids.clear();
    Listed.clear();
    ListedHere = false;
    Page.Show(change.SetProtection("").SetLamp(TLamp::Idle));
}

void TConnect::DeleteAndDisconnect() {
    // The user agreed to the deletion of the ticked rows before the command was given.
    if (std::none_of(Inputs.Rows.begin(), Inputs.Rows.end(),
                     [](const TMailRow& row) { return row.Ticked; })) {
        Disconnect();
        return;
    }
    // Exactly the rows the user agreed to, whatever happens to the list from here on.
    ConfirmedRows = Inputs.Rows;
    Page.Show({TPanel::Progress, "メールの削除中..."});
    TNotDeleted notDeleted;
    std::vector<const TMailRow*> deleted;  // into ConfirmedRows
    try {
        if (!Session->Noop()) Reconnect(true);
        notDeleted = DeleteTickedRows(ConfirmedRows, deleted);
    } catch (const std::exception& failure) {
        ConfirmedRows.clear();
        EndFailedDelete(failure.what(), Detail(failure));
        return;
    }
    const bool confirmed = QuitConfirmed();
    // Written before the reasons are forgotten with the list; a history that cannot be written
    // does not undo the deletion, it is only told.
    const bool historyWritten = !confirmed || WriteHistory(deleted, TDeleteHistory::ByHand);
    if (confirmed) ForgetDeleted(deleted, true);
    ConfirmedRows.clear();
    std::string text = confirmed ? NotDeletedText(notDeleted) : std::string(QuitRefusedText);
    if (!historyWritten) {
        if (text.empty()) text = "サーバとの接続を切断しました。";
        text += TDeleteHistory::NotWrittenText;
    }
    TPageChange ended;
    if (!text.empty()) ended.Set(TPanel::Progress, text);
    Disconnect(ended.SetButtons(true));
}

bool TConnect::QuitConfirmed() {
    // Refused, dropped or timed out: the session closed, the mail may still be there.
    return Session->Quit();
}

bool TConnect::WriteHistory(const std::vector<const TMailRow*>& deleted, const char* method) {
    if (!Inputs.WritesHistory || deleted.empty()) return true;
    const std::string now = TDeleteHistory::TimeText(LocalNow());
    std::vector<TDeletedMail> mails;
    for (const TMailRow* row : deleted) {
        const auto& columns = row->Columns;
        TDeletedMail mail;
        mail.DeletedAt = now;
        mail.Account = SjisText::Trim(Inputs.TabCaption);
        mail.Method = method;
        // What the page last decided the row by (the rules may have changed since the
        // listing); a row whose tick the rules did not give was ticked by hand.
        mail.Reason = row->RuleTicked && !row->Reason.empty()
                          ? row->Reason
                          : std::string(TDeleteHistory::ReasonByHand);
        mail.SentAt = SentText(*row);
        mail.Sender = columns[TMailRow::Sender];
        mail.Subject = columns[TMailRow::Title];
        mail.Size = columns[TMailRow::Size];
        mail.Uidl = columns[TMailRow::Uidl];
        const auto copy = CopyNames.find(row);
        if (copy != CopyNames.end()) mail.CopyName = copy->second;
        mails.push_back(std::move(mail));
    }
    return TDeleteHistory(Inputs.HistoryFolder).Append(mails);
}

void TConnect::ForgetDeleted(const std::vector<const TMailRow*>& deleted, bool byHand) {
    if (!Inputs.Choices || deleted.empty()) return;
    std::vector<TMailIdentity> mails;
    std::vector<TStringList> lines;
    for (const TMailRow* row : deleted) {
        mails.push_back(IdentityOf(*row));
        const THeaderCache::TEntry* entry = Cache.Find(mails.back().Uid, mails.back().Size);
        lines.push_back(entry ? entry->Lines : row->HeaderLines);
    }
    Inputs.Choices->Deleted(mails, byHand, lines);
    Inputs.Choices->Save();
    TeachLearner();
}

void TConnect::EndFailedDelete(const std::string& reason, const std::string& detail) {
    // Never QUIT here: that would make the server delete what was marked before the failure.
    Session->CloseWithoutQuit();
    std::string text = "削除できませんでした。サーバ上のメールは削除されていません。";
    if (!reason.empty()) text += "(" + reason + ")";
    Disconnect(TPageChange(TPanel::Progress, text).Tip(detail).SetButtons(true));
}

void TConnect::FetchHeader() {
    HeaderLines.clear();
    if (Session->Noop()) {
        for (const TMailRow& row : Inputs.Rows) {
            if (!row.Ticked) continue;
            const int32_t number = NumberOnThisConnection(row);
            if (number > 0) ReadHeader(number);
            break;
        }
    } else {
        try {
            Reconnect(false);
        } catch (const std::exception& failure) {
            // A failure of our own may leave the login standing: end it.
            if (!dynamic_cast<const EPop3Failure*>(&failure)) Session->Quit();
            ShowFailure(failure);
            return;
        }
    }
    UnfoldHeader(HeaderLines);
    for (std::string& line : HeaderLines) line = TMainDM::DecodeHeaderText(line);
    size_t found = 0;
    const std::string subject =
        TMainDM::DecodeHeaderText(FindHeader(HeaderLines, found, "Subject:"));
    const std::string second =
        TMainDM::DecodeHeaderText(FindHeader(HeaderLines, found, "Subject:"));
    Page.ShowHeader(HeaderLines, subject, second);
}

void TConnect::ReadHeader(int32_t number) {
    Page.ListingProgress(0, false);
    HeaderLines = Session->Top(number);
    Page.ListingProgress(0, true);
}

void TConnect::Reconnect(bool forDelete) {
    try {
        Session->Quit();
    } catch (const std::runtime_error&) {
    }
    TPageChange busy(TPanel::Progress, "再接続します。しばらくお待ちください...");
    LogIn(busy.Tip("").SetButtons(false), false);
    ListOrFind(forDelete);
}
