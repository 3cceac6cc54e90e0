#include "page/PageBridge.h"

#include <commctrl.h>

TPageBridge::TPageBridge(TPageState& state, TMainFrame& frame) : State(state), Frame(frame) {
    // The worker's changes are drawn together: at the end of a batch once DrawIntervalMs have
    // passed since drawing was held, else when the queue runs dry. Drawing the whole list costs
    // as much as a few hundred rows, and a fast listing ends a batch every 15 ms.
    Queue.OnBatchBegin = [this] { HoldDrawing(); };
    Queue.OnBatchEnd = [this] {
        // The list view learns of the batch's rows at once: one message, not one a row.
        Frame.ShowRows();
        if (GetTickCount() - HeldSince >= DrawIntervalMs) ShowChanges();
    };
    Queue.OnIdle = [this] { ShowChanges(); };
}

void TPageBridge::HoldDrawing() {
    if (Held) return;
    Held = true;
    HeldSince = GetTickCount();
    Frame.HoldListDrawing();
    SendMessageA(Frame.StatusBar1.Handle, WM_SETREDRAW, FALSE, 0);
}

void TPageBridge::ShowChanges() {
    if (!Held) return;
    Held = false;
    Frame.ReleaseListDrawing();
    SendMessageA(Frame.StatusBar1.Handle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Frame.StatusBar1.Handle, nullptr, FALSE);
}

TPageBridge::~TPageBridge() {
    *Alive = false;
    Queue.Close();
}

void TPageBridge::SetAutoDelMode(int mode) {
    Change([this, mode] { State.AutoDelMode = mode; });
}
void TPageBridge::SetHeaderLines(const std::vector<std::string>& lines) {
    Change([this, lines] { State.HeaderLines = lines; });
}
void TPageBridge::AddRow(const TMailRow& row) {
    Change([this, shown = row]() mutable {
        State.ListedAuthServIds.push_back(shown.AuthServId);
        // A tick the user gave while the command ran wins over the one it listed.
        if (State.Choices) State.Choices->ApplyTo(shown);
        Frame.AddRow(std::move(shown));
    });
}
void TPageBridge::SetMessageNumber(size_t row, const std::string& number) {
    Change([this, row, number] { Frame.SetMessageNumber(static_cast<int>(row), number); });
}
void TPageBridge::ClearRows() {
    Change([this] {
        Frame.ClearRows();
        State.ListedAuthServIds.clear();
    });
}
// A repaint is asked for, not forced: the paint follows as soon as the UI thread has caught up
// with the worker's changes, so a burst of rows costs one paint instead of one per row.
// Every batch of changes is drawn at its end (ShowChanges): a repaint asks for nothing more.
void TPageBridge::RepaintRows() {}
void TPageBridge::RepaintStatusBar() {}

// Texts of a panel set while an earlier one still waits in the queue replace it there: only the
// last text of a batch is ever drawn, and a fast listing sets three per message.
void TPageBridge::SetStatusText(int panel, const std::string& text) {
    if (panel < 0 || panel >= PanelCount) return;
    {
        std::lock_guard<std::mutex> lock(Texts.Mutex);
        Texts.Text[panel] = text;
        if (Texts.Queued[panel]) return;
        Texts.Queued[panel] = true;
    }
    Change([this, panel] {
        std::string shown;
        {
            std::lock_guard<std::mutex> lock(Texts.Mutex);
            shown = Texts.Text[panel];
            Texts.Queued[panel] = false;
        }
        Frame.StatusBar1.SetText(panel, shown);
    });
}
void TPageBridge::SetStatusDetail(const std::string& detail) {
    Change([this, detail] { Frame.StatusBar1.SetTip(detail); });
}
void TPageBridge::SetButtonsEnabled(bool enabled) {
    Change([this, enabled] {
        EnableWindow(Frame.KvPanel1.Handle, enabled);
        if (enabled && OnButtonsEnabled) OnButtonsEnabled();
    });
}
void TPageBridge::SetLoginEnabled(bool enabled) {
    Change([this, enabled] { EnableWindow(Frame.KvPanel2.Handle, enabled); });
}
void TPageBridge::SetIndicatorState(int, int state) {
    // The worker's slot is this page's own.
    Change([this, state] { State.SetIndicatorState(state); });
}
void TPageBridge::MessageBeep(unsigned int type) {
    Change([type] { ::MessageBeep(type); });
}

int TPageBridge::ConfirmDelete(const std::string& text) {
    // Only the host and the copied text are used after the question: the page may go while the
    // dialog is open, and the worker is then released by CancelRequests.
    TPageHost* host = &State.Host;
    return Ask<int>([this, host, text] {
        ShowChanges();  // the page stays drawn while the question is open
        return host->ConfirmDelete(text);
    });
}

void TPageBridge::ShowHeaderViewer(const std::string& subject, const std::string&) {
    Change([this, subject] {
        State.HeaderSubject = subject;
        State.HeaderPending = true;
        State.Host.ShowHeaderLater(State.Index);
    });
}

void TPageBridge::CheckEnded(const TCheckResult& result) {
    Change([this, result] { State.Host.CheckEnded(State.Index, result); });
}

std::string TPageBridge::PromptPassword(const std::string& accountName) {
    TPageHost* host = &State.Host;
    return Ask<std::string>([this, host, name = accountName, alive = Alive] {
        ShowChanges();
        const std::string answer = host->AskPassword(name);
        // The page may have gone while the question was open.
        if (*alive) SetWindowTextA(Frame.Pass, answer.c_str());
        return answer;
    });
}

bool TPageBridge::AskTrustCertificate(const std::string& text, const std::string& hash) {
    // Nothing to pin: a "yes" would only erase the fingerprint trusted before.
    if (hash.empty()) return false;
    TPageHost* host = &State.Host;
    return Ask<bool>([this, host, text, hash, alive = Alive] {
        ShowChanges();
        const std::string key = State.KeyName;
        const bool trusted = host->AskTrustCertificate(key, text, hash);
        // The page may have gone while the question was open.
        if (trusted && *alive) State.CertHash = hash;
        return trusted;
    });
}

void TPageBridge::SetProtectionText(const std::string& text) {
    Change([this, text] { Frame.StatusBar1.ShowProtection(text); });
}

void TPageBridge::RefreshTokenChanged(const std::string& token) {
    Change([this, token] {
        State.RefreshToken = token;
        State.Host.RefreshTokenChanged(State.KeyName, token);
    });
}

void TPageBridge::CancelRequests() { Queue.Close(); }
