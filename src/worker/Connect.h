#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "auth/BrowserSignIn.h"
#include "auth/HttpsClient.h"
#include "auth/TokenKeeper.h"
#include "pop3/KvSocket.h"
#include "rules/RuleSet.h"
#include "worker/AccountPage.h"
#include "worker/CheckInputs.h"
#include "worker/CheckResult.h"
#include "worker/HeaderCache.h"
#include "worker/LearnedTick.h"
#include "worker/PageGate.h"

class TConnect;

// Owning pointer of a worker: letting go of it tears the worker down (see TConnect::TearDown).
struct TConnectTearDown {
    void operator()(TConnect* worker) const;
};
using TConnectPtr = std::unique_ptr<TConnect, TConnectTearDown>;

// The worker thread of one account. It owns the account's POP3 connection and runs, one at a time,
// the commands the user interface gives it; between commands it sleeps.
class TConnect {
public:
    enum TCommand {
        CmdConnect = 1,
        CmdDisconnect = 2,
        CmdDelete = 3,
        CmdNone = 4,
        CmdHeader = 5,
        CmdCheck = 6,  // a periodic check: connect, list, delete what the rules ticked, QUIT
    };
    // Tab lamp states.
    enum TLamp { LampIdle = 0, LampBusy = 2, LampListed = 3 };
    // Wait for reply data on the worker's connections, in milliseconds.
    static constexpr int32_t ReplyTimeOut = 20000;
    // At most this many titles are listed in the delete confirmation.
    static constexpr size_t ConfirmTitleLimit = 10;
    // Panel 0 when a deletion was not confirmed by the server's QUIT.
    static constexpr const char* QuitRefusedText =
        "サーバが削除を確定しませんでした。メールはサーバに残っている可能性があります。"
        "「接続」を押して一覧を確かめてください。";
    // Closes the delete confirmation when copies are kept first.
    static constexpr const char* KeepCopyNote =
        "\r\n\r\n削除の前にコピーを保存します。保存できなかったメールは削除しません。";
    // The exclamation sound before the confirmation.
    static constexpr unsigned int ExclamationBeep = 0x30;

    // Created suspended: no thread, no session until the first command.
    static TConnectPtr Create(int index, TAccountPage& page);

    // Gives one command with what it starts from (user-interface thread). Refused, and not kept
    // for later, while a command runs or after the tear-down began; true when the worker took it.
    bool Resume(int command, TCheckInputs inputs);
    // True from an accepted Resume until that command has ended.
    bool Busy();
    // Waits (test and shutdown helper) until no command runs; false when the time ran out.
    bool WaitIdle(int milliseconds);
    // Worker threads that have not ended yet, over all accounts.
    static int LiveThreads();

    std::atomic<int> Index;  // the account's slot; the main window renumbers it
    std::unique_ptr<TKvSocket> Session;
    int32_t TimeOut = ReplyTimeOut;  // given to the session at every connect
    // Where token requests go: set before the first command (tests), else the system's.
    std::unique_ptr<THttpsClient> Https;
    // Opens the sign-in page in the browser: set before the first command (tests), else the
    // system's default browser.
    std::function<bool(const std::string& url)> OpenBrowser;
    // How long a sign-in waits for the browser.
    int SignInWaitMs = TBrowserSignIn::DefaultWaitMs;

    // --- Header lines and mail rows ---
    using TStringList = std::vector<std::string>;
    // The value of the first line of lines that starts with name (ASCII case ignored), among all
    // but the last `found` lines, which earlier look-ups returned; that line is moved to the end
    // and counted in found. Empty when there is none.
    static std::string FindHeader(TStringList& lines, size_t& found, const std::string& name);
    // Joins continuation lines, drops the closing "." line (the last) and every empty line.
    static void UnfoldHeader(TStringList& lines);
    // The attachment column from the Content-Type and X-Mailer values, and whether PostPet mode
    // ticks the row.
    struct TMark {
        std::string Text;
        bool PetMail;
    };
    static TMark AttachmentMark(const std::string& contentType, const std::string& mailer);
    // The question before a deletion, from the ticked rows' titles in list order.
    static std::string DeleteConfirmText(const TStringList& tickedTitles);
    // The lines used in place of a header that came back empty.
    static TStringList ReadErrorHeader();
    // Fingerprint of a TOP reply's header lines, to tell later whether a message is the same.
    static std::string HeaderDigest(const TStringList& header);

private:
    friend struct TConnectTearDown;
    TConnect(int index, TAccountPage& page);
    ~TConnect();
    // True when the caller must free the worker; false when a busy thread frees itself on stopping.
    bool TearDown();

    void Execute();
    void RunCommand(int command);
    void ConnectAndList();
    // Sets the session up from the inputs and logs in with password, up to STAT. The page shows
    // the connection as busy. Throws what failed.
    void OpenSession(const std::string& password);
    // A connect that failed: the account shows why and is ready again.
    void EndFailedConnect(const std::exception& failure);
    // The periodic check: connects and lists like CmdConnect without asking anything, deletes
    // what the rules ticked when asked to, never stays connected, and ends with CheckEnded.
    void PeriodicCheck();
    // A check that could not list: why in panel 0, no connection left standing.
    TCheckResult FailedCheck(const std::exception& failure, const std::string& text,
                             TCheckOutcome outcome);
    // The ticks the user gave by hand to the rows the check was given, by unique id.
    void TakeHandTicks();
    // The automatic deletion on the connection that listed: DELE for the rows a rule ticked and
    // the user left ticked, then QUIT, then their history lines; nothing at all when the history
    // cannot be written. The rows deleted leave the page. Gives panel 0's text; a failure is
    // also put into result.
    std::string DeleteRuleTicked(TCheckResult& result);
    // RETR of the message into its copy under the history folder, unless a whole copy of the
    // same message is kept there already (an earlier try that did not end in its deletion):
    // true only when the copy is whole, its file name then in CopyNames. A lost connection
    // throws.
    bool CopyMessage(int32_t number, const TMailRow& row);
    // The local time as a day count since 1899-12-30.
    static double LocalNow();
    // After an automatic deletion: the page shows the rows that remain.
    void ShowRemaining(const std::vector<const TMailRow*>& deleted);
    void DeleteAndDisconnect();
    void FetchHeader();
    // Ends the session (QUIT when one stands) and clears the list. A failure text is shown in
    // panel 0 in place of the normal one, whatever the state.
    void Disconnect(const std::string& failure = std::string());
    // Connects again for a command whose session was lost, then finds the rows again (or lists
    // the mailbox when there are none); throws when that fails. For a deletion the buttons stay
    // off and the confirmed rows are renumbered too.
    void Reconnect(bool forDelete);
    // TOP n 0 into HeaderLines, the status bar telling the read.
    void ReadHeader(int32_t number);
    // The failure's text in panel 0, and its detail (the server's words) in panel 0's tool tip
    // and the communication log.
    void ShowFailure(const std::exception& failure);
    void ShowDetail(const std::exception& failure);
    void EnableLogin(bool enabled);
    // The certificate decision: accepted, trusted before, or asked of the user.
    bool TrustCertificate(TKvSocket& session, const TCertReport& report);
    // The access token for an OAuth 2.0 login, refreshed when renew says the server refused it.
    std::string AccessToken(bool renew);
    // "接続" of an account that must sign in: the browser sign-in, its tokens kept and the
    // refresh token given to the page. Throws EAuthFailure; never for a check.
    void SignInByBrowser();
    // How the connection that stands is protected, in the user's words.
    std::string ProtectionText() const;

    // The listing after STAT. With rowsAsListed each row goes to the page as it is read; else
    // (a check) the rows go at the end, and only when they differ from the page's.
    void ListMailbox(bool rowsAsListed);
    // The listing into the user's choices record: what arrived since the last listing (Arrived),
    // what was wrong with the record (ChoicesProblem, also into the communication log).
    void RecordListing();
    // The header cache keeps only what ConnectionUids lists; GoneLines gets the rest.
    void RetainListed();
    static TMailIdentity IdentityOf(const TMailRow& row);
    // Of the numbers to delete unattended, those the user's choices and the rules and lists in
    // force now still condemn.
    std::vector<int32_t> StillDecided(const std::vector<int32_t>& numbers,
                                      const std::map<int32_t, const TMailRow*>& rowOf);
    // The learner is given what the user decided since the last time (LearnedTick::Teach).
    void TeachLearner();
    // The program deleted these rows' messages: the choices record forgets them.
    void ForgetDeleted(const std::vector<const TMailRow*>& deleted, bool byHand);
    // Sizes and ids of the whole mailbox, TOP for the messages the cache does not hold, each row
    // added in order as its header is at hand.
    void ListRows(const TRuleSet& rules, const std::string& design, bool rowsAsListed);
    // A check's rows to the page, when they differ from those it showed.
    void ShowListing();
    // Gives the page a row of Shown with the header lines it keeps, which the cache holds for
    // rows listed without them.
    void PostRow(const TMailRow& row);
    // What a TOP reply gives a row: its lines, digest and the columns read from them.
    THeaderCache::TEntry ReadEntry(const TStringList& header, int32_t size,
                                   const std::string& design);
    // The row of message number from what was read of it, ticked by the rules.
    void AddListedRow(int32_t number, const THeaderCache::TEntry& entry, const TRuleSet& rules,
                      bool sharedId, bool rowsAsListed);
    // Ticked rows a deletion left on the server, by the reason.
    struct TNotDeleted {
        size_t Gone = 0;       // no message, or several, has the row's unique id now
        size_t Changed = 0;    // the id's message differs in size or header from the row's
        size_t Shared = 0;     // listed with an id another message had too, and reconnected since
        size_t NotCopied = 0;  // a copy was asked for and could not be written whole
    };
    // DELE for the ticked rows found on this connection, those rows into `deleted`; the rows
    // that were not.
    TNotDeleted DeleteTickedRows(const std::vector<TMailRow>& rows,
                                 std::vector<const TMailRow*>& deleted);
    // Of numbers (found again by unique id), those whose size and header are still the ones
    // listed in expected; the others are counted as changed.
    std::vector<int32_t> Unchanged(const std::vector<int32_t>& numbers,
                                   const std::vector<const TListedMail*>& expected,
                                   TNotDeleted& notDeleted);
    // After the disconnect of a deletion: how many ticked mails stayed on the server, and why;
    // empty when none did.
    static std::string NotDeletedText(const TNotDeleted& notDeleted);
    // QUIT after the DELEs, then the connection closed: true only when the server answered +OK,
    // that is, when it removed the marked mail.
    bool QuitConfirmed();
    // The history lines of the rows a confirmed deletion removed, by method (TDeleteHistory's
    // ByHand or Automatic); false when they could not be written.
    bool WriteHistory(const std::vector<const TMailRow*>& deleted, const char* method);
    // A deletion that failed before QUIT: the connection ends without it and the user is told
    // that nothing was deleted.
    void EndFailedDelete(const std::string& reason);
    // The rows renumbered by unique id on the new connection; for a deletion the confirmed rows
    // too, else the first ticked row's header read again.
    void Resync(bool forDelete);
    // Number of the row's message on this connection: only when that number's unique id, as read
    // on this connection, is the row's; 0 otherwise.
    int32_t NumberOnThisConnection(const TMailRow& row) const;
    // The only message on this connection with this unique id; 0 when none or several.
    int32_t NumberOfUid(const std::string& uid) const;

    TPageGate Page;
    // Worker thread only: the inputs of the command that runs, never changed while it runs.
    TCheckInputs Inputs;
    // The page's rows as the worker knows them: those given with the command, then cleared and
    // added to by the worker.
    std::vector<TMailRow> Shown;
    // KvPanel2 as the worker last set it: only the worker changes it.
    bool LoginFieldsEnabled = true;
    TStringList HeaderLines;              // working copy; the page gets it for the viewer
    std::string TrustedHash;              // the account's CertHash as given at connect
    TStringList ConnectionUids;           // unique id of message k at index k - 1, this connection
    std::vector<TMailRow> ConfirmedRows;  // the rows as they were when the deletion was confirmed
    // The file names of the copies the deletion that runs kept, by row of ConfirmedRows.
    std::map<const TMailRow*, std::string> CopyNames;
    std::map<std::string, TListedMail> Listed;  // what the rows were listed from, by unique id
    bool ListedHere = false;  // the rows were listed on the connection that stands
    // Header lines of the messages listed on earlier connections, kept while the program runs.
    THeaderCache Cache;
    // Rows listed with no tick, of this listing and of the one before it.
    LearnedTick::TQuietRows QuietRows, QuietBefore;
    // Unique ids whose header the last listing fetched from the server (the cache lacked it).
    std::set<std::string> Fetched;
    // The messages the last listing found arrived since the one before.
    std::set<TMailIdentity> Arrived;
    // The header lines of the messages the cache forgot at the last listing.
    std::map<TMailIdentity, TStringList> GoneLines;
    // What was wrong with the choices record when the last listing read it; empty when nothing.
    std::string ChoicesProblem;
    // For a check: the tick the user gave by hand, by unique id (the rule's tick for the others).
    std::map<std::string, bool> HandTicks;
    std::string CachedDesign;  // the designated header the kept rows were read with
    // The account's tokens, kept across commands while the program runs.
    TTokenKeeper Tokens;
    // The certificate needed a question that a check may not ask.
    bool CertificateNotAsked = false;

    std::mutex Mutex;  // guards what follows and the Session pointer against the tear-down
    TBrowserSignIn* SigningIn = nullptr;  // the sign-in waiting for the browser, if any
    std::condition_variable Wake;
    std::condition_variable Idle;
    std::thread Thread;
    int Command = 0;
    TCheckInputs GivenInputs;
    bool Pending = false;
    bool Running = false;
    bool Terminated = false;
    bool FreesItself = false;
    static std::atomic<int> Threads;
};
