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
// changes are posted, the certificate question waits for its answer from the page's host.
class TPageBridge : public TAccountPage {
public:
    // The page's state and controls, which outlive the bridge.
    TPageBridge(TPageState& state, TMainFrame& frame);
    ~TPageBridge() override;

    TUiQueue Queue;
    // Runs on the UI thread when the worker enables the buttons again: its command has ended.
    std::function<void()> OnButtonsEnabled;

    void Show(const TPageChange& change) override;
    void ChangeRows(TRowsChange change) override;
    void ListingProgress(int32_t number, bool read) override;
    void ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                    const std::string& secondSubject) override;
    bool AskTrustCertificate(const std::string& text, const std::string& hash) override;
    void RefreshTokenChanged(const std::string& token) override;
    void CheckEnded(const TCheckResult& result) override;
    void CancelRequests() override;

    // Drawing back on (UI thread), so that the page stays drawn while a question is open.
    void ShowChanges();

private:
    // A panel's text; the latest replaces one still waiting in the queue.
    void SetText(TPanel panel, const std::string& text);
    // A question asked on the UI thread; the type's empty value when the queue was closed
    // meanwhile.
    template <class R>
    R Ask(std::function<R()> question) {
        return Queue.Send<R>(std::move(question)).value_or(R());
    }
    void Change(std::function<void()> change) { Queue.Post(std::move(change)); }
    // Drawing of the list and the status bar off during batches of changes, and back on.
    void HoldDrawing();
    static constexpr DWORD DrawIntervalMs = 100;
    bool Held = false;  // drawing is off (UI thread only)
    DWORD HeldSince = 0;

    TPageState& State;
    TMainFrame& Frame;
    // False once the bridge is gone; a question open meanwhile checks it before touching the page.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
    // The latest text of each status panel, and whether a change showing it is queued.
    struct TPendingTexts {
        std::mutex Mutex;
        std::string Text[PanelCount];
        bool Queued[PanelCount] = {};
    } Texts;
};
