#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "worker/MailRow.h"

// The account page as its worker sees it: every field the worker reads, every change it makes,
// and the three questions it puts to the main window.
//
// The worker calls these from its own thread, one at a time, in the order the user must see the
// changes. A window implementation forwards each change to the user-interface thread in that order
// (posting the plain changes, sending the reads and the questions); the questions return only once
// they are answered. CancelRequests is the one call made from another thread: at tear-down, while
// the worker may be blocked inside any call that waits for the user-interface thread, it must make
// that call return promptly (a question then counts as refused).
class TAccountPage {
public:
    virtual ~TAccountPage() = default;

    // Login fields and account settings.
    virtual std::string Serv() = 0;
    virtual std::string IDNum() = 0;
    virtual std::string Pass() = 0;
    virtual bool APOPCheck() = 0;
    virtual bool LogEnabled() = 0;
    virtual std::string TabCaption() = 0;
    virtual std::vector<std::string> Rules() = 0;
    virtual std::string Design() = 0;  // designated header name, colon included; empty for none
    virtual int AutoDelMode() = 0;     // 0 none, 1 header search, 2 PostPet
    virtual void SetAutoDelMode(int mode) = 0;
    // The header the viewer shows (the page's HeaderLines).
    virtual void SetHeaderLines(const std::vector<std::string>& lines) = 0;

    // Mail list, in the order shown.
    virtual size_t RowCount() = 0;
    virtual size_t TickedCount() = 0;
    virtual std::vector<TMailRow> Rows() = 0;
    virtual void AddRow(const TMailRow& row) = 0;
    virtual void SetMessageNumber(size_t row, const std::string& number) = 0;
    virtual void ClearRows() = 0;
    virtual void RepaintRows() = 0;

    // Status bar: panel 0 progress and failures, 1 message count, 2 per-message progress and ticks.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    virtual void RepaintStatusBar() = 0;

    // KvPanel1 (buttons; disabled while the worker runs) and KvPanel2 (login fields).
    virtual void SetButtonsEnabled(bool enabled) = 0;
    virtual void SetLoginEnabled(bool enabled) = 0;
    virtual bool LoginEnabled() = 0;

    // Tab lamp of the account in slot index: 0 idle, 2 busy, 3 connected and listed.
    virtual void SetIndicatorState(int index, int state) = 0;

    virtual void MessageBeep(unsigned int type) = 0;
    // Delete confirmation: the dialog's result, 1 for OK.
    virtual int ConfirmDelete(const std::string& text) = 0;
    // Header viewer (message 0x466, not waited for) on the lines last given to SetHeaderLines. The
    // page keeps its own copies of the texts.
    virtual void ShowHeaderViewer(const std::string& subject, const std::string& secondSubject) = 0;
    // Password prompt naming the account; the answer is in Pass() when this returns.
    virtual void PromptPassword(const std::string& accountName) = 0;

    // Connection protection: the account's "Security" (0 none, 1 SSL/TLS, 2 STARTTLS).
    virtual int Security() = 0;
    // Fingerprint of the certificate the user trusted for this account (lower-case hex), or empty.
    virtual std::string CertHash() = 0;
    // The certificate question, with the warning text: true when the user trusts the certificate;
    // the page then keeps and stores hash as the account's trusted fingerprint. A question
    // cancelled at tear-down counts as refused.
    virtual bool AskTrustCertificate(const std::string& text, const std::string& hash) = 0;
    // How the connection that stands is protected, for the page to show; empty when none stands.
    virtual void SetProtectionText(const std::string& text) = 0;

    // See above: called from the tearing-down thread only.
    virtual void CancelRequests() = 0;
};
