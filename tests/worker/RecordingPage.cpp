#include "RecordingPage.h"

#include <chrono>

#include "worker/StatusTexts.h"

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

std::optional<TCheckInputs> TRecordingPage::Ask(TConnect::TCommand command, bool connected) {
    return Ask(command, Inputs(), connected);
}

std::optional<TCheckInputs> TRecordingPage::Ask(TConnect::TCommand command, TCheckInputs inputs,
                                                bool connected) {
    std::lock_guard<std::mutex> lock(Mutex);
    if ((command == TConnect::CmdConnect || command == TConnect::CmdCheck) &&
        inputs.RuleInputs.SearchesNothing())
        Mode = 0;
    const TConnect::TQuestion question = TConnect::QuestionBefore(command, inputs, connected);
    using TKind = TConnect::TQuestion::TKind;
    if (question.Kind == TKind::Password) {
        Record("prompt " + question.Text);
        Password = PasswordAnswer;
        if (Password.empty()) return std::nullopt;
        inputs.Pass = Password;
    } else if (question.Kind == TKind::ConfirmDelete) {
        Record("beep " + std::to_string(TConnect::ExclamationBeep));
        Record("buttons 0");
        Record("confirm " + question.Text);
        Record("buttons 1");
        if (ConfirmAnswer != 1) return std::nullopt;
    }
    return inputs;
}

void TRecordingPage::AddRow(const TMailRow& row) {
    std::lock_guard<std::mutex> lock(Mutex);
    AddShown(row);
}

void TRecordingPage::AddShown(TMailRow row) {
    if (Choices) Choices->ApplyTo(row);
    Record("row " + row.Columns[TMailRow::Title] + (row.Ticked ? " (ticked)" : ""));
    RowsShown.push_back(std::move(row));
}

void TRecordingPage::Show(const TPageChange& change) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    for (int panel = 0; panel < PanelCount; ++panel) {
        if (!change.Texts[panel]) continue;
        Panels[panel] = *change.Texts[panel];
        Record("status" + std::to_string(panel) + " " + Panels[panel]);
    }
    // As the page's status bar says it.
    if (change.Ticked) {
        Panels[2] = *change.Ticked > 0 ? "削除予定 " + std::to_string(*change.Ticked) + "通" : "";
        Record("status2 " + Panels[2]);
    }
    if (change.Detail) Record("tip " + *change.Detail);
    if (change.Buttons) {
        Buttons = *change.Buttons;
        Record(Buttons ? "buttons 1" : "buttons 0");
    }
    if (change.Login) {
        Login = *change.Login;
        Record(Login ? "login 1" : "login 0");
    }
    if (change.Protection) Record("protection " + *change.Protection);
    if (change.Lamp) {
        LampState = static_cast<int>(*change.Lamp);
        Record("lamp " + std::to_string(LampState));
    }
}

void TRecordingPage::ChangeRows(TRowsChange change) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    if (change.Clear) {
        RowsShown.clear();
        Headers.clear();
        Record("clear");
    }
    for (TMailRow& row : change.Added) AddShown(std::move(row));
    for (const auto& [row, number] : change.Numbers) {
        RowsShown.at(row).Columns[TMailRow::Number] = number;
        Record("number " + std::to_string(row) + " " + number);
    }
}

void TRecordingPage::ListingProgress(int32_t number, bool read) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    if (number > 0 && !read) {
        Panels[2] = StatusTexts::Reading(number);
        Record("status2 " + Panels[2]);
    }
    Panels[0] = StatusTexts::HeaderRead(read);
    Record("status0 " + Panels[0]);
}

void TRecordingPage::ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                                const std::string& secondSubject) {
    Touch();
    std::lock_guard<std::mutex> lock(Mutex);
    Headers = lines;
    Record("headers " + std::to_string(lines.size()));
    ViewerSubject = subject;
    Record("viewer " + subject + "|" + secondSubject);
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

void TRecordingPage::CancelRequests() {
    std::lock_guard<std::mutex> lock(Mutex);
    Cancelled = true;
    Changed.notify_all();
}
