#include "RecordingPage.h"

#include <chrono>

void TRecordingPage::Record(const std::string& event) {
    Log_.push_back(event);
    Changed.notify_all();
}

void TRecordingPage::Touch() {
    if (Gone) ++LateCalls;
}

std::vector<std::string> TRecordingPage::Events() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Log_;
}

std::vector<std::string> TRecordingPage::Events(const std::vector<std::string>& prefixes) {
    std::vector<std::string> result;
    for (const std::string& event : Events()) {
        for (const std::string& prefix : prefixes) {
            if (event.compare(0, prefix.size(), prefix) == 0) {
                result.push_back(event);
                break;
            }
        }
    }
    return result;
}

void TRecordingPage::ClearEvents() {
    std::lock_guard<std::mutex> lock(Mutex);
    Log_.clear();
}

TCheckInputs TRecordingPage::Inputs() {
    std::lock_guard<std::mutex> lock(Mutex);
    TCheckInputs inputs;
    inputs.Serv = Server;
    inputs.IDNum = User;
    inputs.Pass = Password;
    inputs.APOPCheck = Apop;
    inputs.Security = SecurityMode;
    inputs.OAuth = OAuth;
    inputs.RefreshToken = RefreshToken;
    inputs.CertHash = TrustedHash;
    inputs.RuleInputs.Rules = RuleList;
    inputs.RuleInputs.AutoDelMode = Mode;
    inputs.Design = DesignName;
    inputs.LogEnabled = LogFlag;
    inputs.TabCaption = Caption;
    inputs.Rows = RowsShown;
    inputs.RuleInputs.Allow = AllowList;
    inputs.RuleInputs.LearnedDelete = LearnedDelete;
    inputs.Choices = Choices;
    if (Choices) Choices->SetRules(inputs.RuleInputs);
    inputs.Learner = Learner;
    return inputs;
}

std::vector<TMailRow> TRecordingPage::CurrentRows() {
    std::lock_guard<std::mutex> lock(Mutex);
    return RowsShown;
}

std::vector<std::string> TRecordingPage::CurrentHeaderLines() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Headers;
}

std::string TRecordingPage::Status(int panel) {
    std::lock_guard<std::mutex> lock(Mutex);
    return Panels[panel];
}

int TRecordingPage::Lamp() {
    std::lock_guard<std::mutex> lock(Mutex);
    return LampState;
}

bool TRecordingPage::ButtonsOn() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Buttons;
}

bool TRecordingPage::LoginOn() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Login;
}

int TRecordingPage::CurrentMode() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Mode;
}

void TRecordingPage::Tick(size_t row, bool ticked) {
    std::lock_guard<std::mutex> lock(Mutex);
    SetTick(RowsShown.at(row), ticked);
}

void TRecordingPage::TickWhere(const std::function<bool(const TMailRow&)>& ticked) {
    std::lock_guard<std::mutex> lock(Mutex);
    for (TMailRow& row : RowsShown) SetTick(row, ticked(row));
}

void TRecordingPage::SetTick(TMailRow& row, bool ticked) {
    if (Choices && row.Ticked != ticked) {
        Choices->HandTick(row, ticked, row.HeaderLines);
        Choices->Save();
    }
    row.Ticked = ticked;
}

bool TRecordingPage::WaitFor(const std::string& prefix, int milliseconds) {
    std::unique_lock<std::mutex> lock(Mutex);
    return Changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
        for (const std::string& event : Log_) {
            if (event.compare(0, prefix.size(), prefix) == 0) return true;
        }
        return false;
    });
}

void TRecordingPage::Answer(int confirmResult, const std::string& password) {
    std::lock_guard<std::mutex> lock(Mutex);
    GivenAnswer = confirmResult;
    GivenPassword = password;
    Answered = true;
    Changed.notify_all();
}

bool TRecordingPage::WaitForAnswer(std::unique_lock<std::mutex>& lock) {
    Asking = true;
    Answered = false;
    Changed.notify_all();
    Changed.wait(lock, [this] { return Answered || Cancelled; });
    Asking = false;
    return Answered && !Cancelled;
}

void TRecordingPage::SetAutoDelMode(int mode) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Mode = mode;
    Record("mode " + std::to_string(mode));
}

void TRecordingPage::SetHeaderLines(const std::vector<std::string>& lines) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Headers = lines;
    Record("headers " + std::to_string(lines.size()));
}

void TRecordingPage::AddRow(const TMailRow& given) {
    TMailRow row = given;
    if (Choices) Choices->ApplyTo(row);
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    RowsShown.push_back(row);
    Record("row " + row.Columns[TMailRow::Title] + (row.Ticked ? " (ticked)" : ""));
}

void TRecordingPage::SetMessageNumber(size_t row, const std::string& number) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    RowsShown.at(row).Columns[TMailRow::Number] = number;
    Record("number " + std::to_string(row) + " " + number);
}

void TRecordingPage::ClearRows() {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    RowsShown.clear();
    Record("clear");
}

void TRecordingPage::RepaintRows() {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("repaint rows");
}

void TRecordingPage::SetStatusText(int panel, const std::string& text) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Panels[panel] = text;
    Record("status" + std::to_string(panel) + " " + text);
}

void TRecordingPage::RepaintStatusBar() {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("repaint status");
}

void TRecordingPage::SetButtonsEnabled(bool enabled) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Buttons = enabled;
    Record(enabled ? "buttons 1" : "buttons 0");
}

void TRecordingPage::SetLoginEnabled(bool enabled) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Login = enabled;
    Record(enabled ? "login 1" : "login 0");
}

void TRecordingPage::SetIndicatorState(int index, int state) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    IndicatorIndex = index;
    LampState = state;
    Record("lamp " + std::to_string(state));
}

void TRecordingPage::MessageBeep(unsigned int type) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("beep " + std::to_string(type));
}

int TRecordingPage::ConfirmDelete(const std::string& text) {
    Touch();
    std::unique_lock<std::mutex> lock(Mutex);
    Record("confirm " + text);
    if (!HoldQuestions) return ConfirmAnswer;
    return WaitForAnswer(lock) ? GivenAnswer : 0;
}

void TRecordingPage::ShowHeaderViewer(const std::string& subject,
                                      const std::string& secondSubject) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    ViewerSubject = subject;
    Record("viewer " + subject + "|" + secondSubject);
}

std::string TRecordingPage::PromptPassword(const std::string& accountName) {
    Touch();
    std::unique_lock<std::mutex> lock(Mutex);
    Record("prompt " + accountName);
    if (!HoldQuestions) {
        Password = PasswordAnswer;
        return Password;
    }
    if (!WaitForAnswer(lock)) return std::string();
    Password = GivenPassword;
    return Password;
}

bool TRecordingPage::AskTrustCertificate(const std::string& text, const std::string& hash) {
    Touch();
    std::unique_lock<std::mutex> lock(Mutex);
    Record("cert " + hash);
    CertQuestionText = text;
    const bool trusted = HoldQuestions ? WaitForAnswer(lock) && GivenAnswer != 0 : TrustAnswer;
    if (trusted) TrustedHash = hash;
    return trusted;
}

void TRecordingPage::SetStatusDetail(const std::string& detail) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("tip " + detail);
}

void TRecordingPage::CheckEnded(const TCheckResult& result) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    LastCheck = result;
    Record("check " + std::to_string(static_cast<int>(result.Outcome)) + " waiting " +
           std::to_string(result.Waiting) + " arrived " + std::to_string(result.Arrived.size()) +
           " deleted " + std::to_string(result.Deleted));
}

void TRecordingPage::RefreshTokenChanged(const std::string& token) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("token " + token);
}

void TRecordingPage::SetProtectionText(const std::string& text) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Record("protection " + text);
}

void TRecordingPage::CancelRequests() {
    std::lock_guard<std::mutex> lock(Mutex);
    Cancelled = true;
    Changed.notify_all();
}
