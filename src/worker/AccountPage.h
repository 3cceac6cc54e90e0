#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "worker/CheckResult.h"
#include "worker/MailRow.h"

// The account page as its worker sees it: every change the worker makes and the three questions
// it puts to the main window. The worker reads nothing here: a command starts from the inputs it
// was given (TCheckInputs), and only the questions' answers come back.
//
// The worker calls these from its own thread, one at a time, in the order the user must see the
// changes. A window implementation forwards each change to the user-interface thread in that order
// (posting the plain changes, sending the questions); the questions return only once they are
// answered. CancelRequests is the one call made from another thread: at tear-down, while the
// worker may be blocked inside a question, it must make that call return promptly (a question then
// counts as refused).
class TAccountPage {
public:
    virtual ~TAccountPage() = default;

    // The page's delete-check mode (0 none, 1 header search, 2 PostPet).
    virtual void SetAutoDelMode(int mode) = 0;
    // The header the viewer shows (the page's HeaderLines).
    virtual void SetHeaderLines(const std::vector<std::string>& lines) = 0;

    // Mail list, in the order shown.
    virtual void AddRow(const TMailRow& row) = 0;
    virtual void SetMessageNumber(size_t row, const std::string& number) = 0;
    virtual void ClearRows() = 0;
    virtual void RepaintRows() = 0;

    // Status bar: panel 0 progress and failures, 1 message count, 2 per-message progress and ticks.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    virtual void RepaintStatusBar() = 0;
    // Panel 0's tool tip: where its failure came from in the server's words (the command and the
    // reply line, made safe to show); empty removes it.
    virtual void SetStatusDetail(const std::string& detail) = 0;

    // KvPanel1 (buttons; disabled while the worker runs) and KvPanel2 (login fields).
    virtual void SetButtonsEnabled(bool enabled) = 0;
    virtual void SetLoginEnabled(bool enabled) = 0;

    // Tab lamp of the account in slot index: 0 idle, 2 busy, 3 connected and listed.
    virtual void SetIndicatorState(int index, int state) = 0;

    virtual void MessageBeep(unsigned int type) = 0;
    // Delete confirmation: the dialog's result, 1 for OK.
    virtual int ConfirmDelete(const std::string& text) = 0;
    // Header viewer (message 0x466, not waited for) on the lines last given to SetHeaderLines. The
    // page keeps its own copies of the texts.
    virtual void ShowHeaderViewer(const std::string& subject, const std::string& secondSubject) = 0;
    // Password prompt naming the account: the answer, empty when refused. The page shows it in its
    // password field, so that the next command is given it.
    virtual std::string PromptPassword(const std::string& accountName) = 0;

    // The certificate question, with the warning text: true when the user trusts the certificate;
    // the page then keeps and stores hash as the account's trusted fingerprint. A question
    // cancelled at tear-down counts as refused.
    virtual bool AskTrustCertificate(const std::string& text, const std::string& hash) = 0;
    // How the connection that stands is protected, for the page to show; empty when none stands.
    virtual void SetProtectionText(const std::string& text) = 0;

    // The identity provider replaced the account's refresh token: the page keeps and stores the
    // new one at once (a plain change).
    virtual void RefreshTokenChanged(const std::string& token) = 0;

    // A periodic check has ended (a plain change: posted, not waited for).
    virtual void CheckEnded(const TCheckResult& result) = 0;

    // See above: called from the tearing-down thread only.
    virtual void CancelRequests() = 0;
};
