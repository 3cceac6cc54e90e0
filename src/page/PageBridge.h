#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "page/MainFrame.h"
#include "page/PageState.h"
#include "ui/UiQueue.h"
#include "worker/AccountPage.h"

// The account page as its worker sees it. Every call comes from the worker's thread and is
// carried to the UI thread through one queue, so the changes land in the order they were made:
// plain changes are posted, the three questions wait for their answer. The questions go to the
// page's host.
class TPageBridge : public TAccountPage {
public:
    // The page's state and controls, which outlive the bridge.
    TPageBridge(TPageState& state, TMainFrame& frame);
    ~TPageBridge() override;

    TUiQueue Queue;
    // Runs on the UI thread when the worker enables the buttons again: its command has ended.
    std::function<void()> OnButtonsEnabled;

    void SetAutoDelMode(int mode) override;
    void SetHeaderLines(const std::vector<std::string>& lines) override;
    void AddRow(const TMailRow& row) override;
    void SetMessageNumber(size_t row, const std::string& number) override;
    void ClearRows() override;
    void RepaintRows() override;
    void SetStatusText(int panel, const std::string& text) override;
    void RepaintStatusBar() override;
    void SetStatusDetail(const std::string& detail) override;
    void SetButtonsEnabled(bool enabled) override;
    void SetLoginEnabled(bool enabled) override;
    void SetIndicatorState(int index, int state) override;
    void MessageBeep(unsigned int type) override;
    int ConfirmDelete(const std::string& text) override;
    void ShowHeaderViewer(const std::string& subject, const std::string& secondSubject) override;
    std::string PromptPassword(const std::string& accountName) override;
    bool AskTrustCertificate(const std::string& text, const std::string& hash) override;
    void SetProtectionText(const std::string& text) override;
    void RefreshTokenChanged(const std::string& token) override;
    void CheckEnded(const TCheckResult& result) override;
    void CancelRequests() override;

private:
    // A question asked on the UI thread; the type's empty value when the queue was closed
    // meanwhile.
    template <class R>
    R Ask(std::function<R()> question) {
        return Queue.Send<R>(std::move(question)).value_or(R());
    }
    void Change(std::function<void()> change) { Queue.Post(std::move(change)); }
    // Drawing of the list and the status bar off during batches of changes, and back on.
    void HoldDrawing();
    void ShowChanges();
    static constexpr DWORD DrawIntervalMs = 100;
    bool Held = false;  // drawing is off (UI thread only)
    DWORD HeldSince = 0;

    TPageState& State;
    TMainFrame& Frame;
    // False once the bridge is gone; a question open meanwhile checks it before touching the page.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
    static constexpr int PanelCount = 3;
    // The latest text of each status panel, and whether a change showing it is queued.
    struct TPendingTexts {
        std::mutex Mutex;
        std::string Text[PanelCount];
        bool Queued[PanelCount] = {};
    } Texts;
};
