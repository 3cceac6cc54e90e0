#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "worker/AccountPage.h"
#include "worker/CheckInputs.h"
#include "worker/Connect.h"

// An account page for tests: holds the fields a command starts from (Inputs() takes them as the
// window does when the command is given; Ask also puts the questions the window asks before it),
// applies the worker's changes like the real page would, and records every change in order as a
// short text ("status0 接続中...", "lamp 2", "buttons 0", "row <title>", ...). Questions are
// answered by the test, either at once (ConfirmAnswer, PasswordAnswer, TrustAnswer) or, for the
// certificate with HoldQuestions, only when the test calls Answer.
class TRecordingPage : public TAccountPage {
public:
    // --- What a command starts from (set by the test before giving a command) ---
    std::string Server, User, Password, Caption = "account";
    bool Apop = false, LogFlag = false;
    std::vector<std::string> RuleList;
    std::string DesignName;
    int Mode = 0;
    int ConfirmAnswer = 1;
    std::string PasswordAnswer;
    int SecurityMode = 0;
    TOAuthAccount OAuth;  // the login method and client; the password methods by default
    std::string RefreshToken;
    std::string TrustedHash;  // the account's CertHash; a "yes" to the certificate question sets it
    bool TrustAnswer = false;  // the answer to the certificate question (without HoldQuestions)
    bool HoldQuestions = false;
    // The account's choices record, as the real page shares it with the worker: a tick given
    // by Tick or TickWhere is recorded, a row added shows the recorded choice. None by default.
    std::shared_ptr<TAccountChoices> Choices;
    // The shared learning filter and the settings it is asked with; none by default.
    std::shared_ptr<TLearner> Learner;
    std::vector<std::string> AllowList;
    bool LearnedDelete = false;

    // --- Test side ---
    // The page as it stands, for the worker's next command.
    TCheckInputs Inputs();
    // As the window gives command: asks what it needs first (recorded "prompt <account>", or
    // "beep 48", "buttons 0", "confirm <text>", "buttons 1") and gives the inputs to start from,
    // none when the user declined. A listing command turns off a mode whose rules search nothing.
    std::optional<TCheckInputs> Ask(TConnect::TCommand command, bool connected);
    std::optional<TCheckInputs> Ask(TConnect::TCommand command, TCheckInputs inputs,
                                    bool connected);
    // A row as a listing would have shown it.
    void AddRow(const TMailRow& row);
    std::vector<std::string> Events();
    // The events that start with one of the prefixes, in order.
    std::vector<std::string> Events(const std::vector<std::string>& prefixes);
    void ClearEvents();
    std::vector<TMailRow> CurrentRows();
    std::vector<std::string> CurrentHeaderLines();
    std::string Status(int panel);
    int Lamp();
    bool ButtonsOn();
    bool LoginOn();
    int CurrentMode();
    void Tick(size_t row, bool ticked);
    void TickWhere(const std::function<bool(const TMailRow&)>& ticked);
    // Waits until an event starting with prefix has been recorded.
    bool WaitFor(const std::string& prefix, int milliseconds = 10000);
    // Answers the question the worker waits on (with HoldQuestions).
    void Answer(int confirmResult, const std::string& password = std::string());
    // After a tear-down: from now on every call by the worker counts as a fault.
    void MarkGone() { Gone = true; }
    int CallsAfterGone() const { return LateCalls.load(); }

    // --- TAccountPage ---
    // "status<panel> <text>", "tip <detail>", "buttons 0|1", "login 0|1", "protection <text>",
    // "lamp <n>"
    void Show(const TPageChange& change) override;
    // "clear", "row <title>[ (ticked)]", "number <row> <number>"
    void ChangeRows(TRowsChange change) override;
    // "status2 <n>通目処理中" and "status0 ..."
    void ListingProgress(int32_t number, bool read) override;
    // "headers <count>", "viewer <subject>|<second>"
    void ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                    const std::string& secondSubject) override;
    // Recorded as "cert <hash>"; with HoldQuestions a non-zero Answer trusts.
    bool AskTrustCertificate(const std::string& text, const std::string& hash) override;
    std::string CertQuestionText;
    // Recorded as "check <outcome number> waiting <n> arrived <n> deleted <n>"; kept whole in
    // LastCheck.
    void RefreshTokenChanged(const std::string& token) override;  // "token <token>"
    void CheckEnded(const TCheckResult& result) override;
    TCheckResult LastCheck;
    void CancelRequests() override;

    std::string ViewerSubject;

private:
    void Record(const std::string& event);  // with Mutex held
    void AddShown(TMailRow row);             // with Mutex held
    void SetTick(TMailRow& row, bool ticked);  // with Mutex held
    void Touch();
    // Blocks the worker until the test answers or the request is cancelled; false when cancelled.
    bool WaitForAnswer(std::unique_lock<std::mutex>& lock);

    std::mutex Mutex;
    std::condition_variable Changed;
    std::vector<std::string> Log_;
    std::vector<TMailRow> RowsShown;
    std::vector<std::string> Headers;
    std::string Panels[3] = {"接続していません。", "", ""};
    int LampState = 0;
    bool Buttons = true, Login = true;
    bool Asking = false, Answered = false, Cancelled = false;
    int GivenAnswer = 0;
    std::string GivenPassword;
    std::atomic<bool> Gone{false};
    std::atomic<int> LateCalls{0};
};
