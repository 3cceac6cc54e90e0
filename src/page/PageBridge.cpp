#include "page/PageBridge.h"

#include <commctrl.h>

#include "worker/StatusTexts.h"

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

void TPageBridge::Show(const TPageChange& change) {
    for (int panel = 0; panel < PanelCount; ++panel)
        if (change.Texts[panel]) SetText(static_cast<TPanel>(panel), *change.Texts[panel]);
    if (change.Ticked) {
        const int ticked = static_cast<int>(*change.Ticked);
        SetText(TPanel::Ticks, ticked > 0 ? TStatusBar::DeletionCountText(ticked) : "");
    }
    Change([this, change] {
        if (change.Detail) Frame.StatusBar1.SetTip(*change.Detail);
        if (change.Buttons) EnableWindow(Frame.KvPanel1.Handle, *change.Buttons);
        if (change.Login) EnableWindow(Frame.KvPanel2.Handle, *change.Login);
        if (change.Protection) Frame.StatusBar1.ShowProtection(*change.Protection);
        if (change.Lamp) State.SetIndicatorState(static_cast<int>(*change.Lamp));
        // The command has ended.
        if (change.Buttons && *change.Buttons && OnButtonsEnabled) OnButtonsEnabled();
    });
}

void TPageBridge::ChangeRows(TRowsChange change) {
    Change([this, change = std::move(change)]() mutable {
        if (change.Clear) {
            Frame.ClearRows();
            State.ListedAuthServIds.clear();
            State.HeaderLines.clear();
        }
        for (TMailRow& shown : change.Added) {
            State.ListedAuthServIds.push_back(shown.AuthServId);
            // A tick the user gave while the command ran wins over the one it listed.
            if (State.Choices) State.Choices->ApplyTo(shown);
            Frame.AddRow(std::move(shown));
        }
        for (const auto& [row, number] : change.Numbers)
            Frame.SetMessageNumber(static_cast<int>(row), number);
    });
}

void TPageBridge::ListingProgress(int32_t number, bool read) {
    if (number > 0 && !read) SetText(TPanel::Ticks, StatusTexts::Reading(number));
    SetText(TPanel::Progress, StatusTexts::HeaderRead(read));
}

// Texts of a panel set while an earlier one still waits in the queue replace it there: only the
// last text of a batch is ever drawn, and a fast listing sets three per message.
void TPageBridge::SetText(TPanel which, const std::string& text) {
    const int panel = static_cast<int>(which);
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

void TPageBridge::ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                             const std::string&) {
    Change([this, lines, subject] {
        State.HeaderLines = lines;
        State.HeaderSubject = subject;
        State.HeaderPending = true;
        State.Host.ShowHeaderLater(State.Index);
    });
}

void TPageBridge::CheckEnded(const TCheckResult& result) {
    Change([this, result] { State.Host.CheckEnded(State.Index, result); });
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

void TPageBridge::RefreshTokenChanged(const std::string& token) {
    Change([this, token] {
        State.RefreshToken = token;
        State.Host.RefreshTokenChanged(State.KeyName, token);
    });
}

void TPageBridge::CancelRequests() { Queue.Close(); }
