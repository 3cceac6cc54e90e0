#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "worker/CheckResult.h"
#include "worker/MailRow.h"

// The status bar's panels: progress and failures, the message count, per-message progress and
// the ticks.
enum class TPanel : int { Progress = 0, Count = 1, Ticks = 2 };
constexpr int PanelCount = 3;

// The tab's lamp: idle (blue), busy talking to the server (red), connected and listed (yellow).
enum class TLamp : int { Idle = 0, Busy = 2, Listed = 3 };

// One change of what the page shows around its list, made in this order: the texts of the
// status panels it names, the rows ticked for deletion (panel 2 says how many, nothing when
// none), panel 0's tool tip (where its failure came from in the server's words; empty removes
// it), the buttons (KvPanel1, off while the worker runs), the login fields (KvPanel2), the
// protection of the connection (empty when none stands), the lamp.
struct TPageChange {
    std::optional<std::string> Texts[PanelCount];
    std::optional<size_t> Ticked;
    std::optional<std::string> Detail;
    std::optional<bool> Buttons;
    std::optional<bool> Login;
    std::optional<std::string> Protection;
    std::optional<TLamp> Lamp;

    TPageChange() = default;
    TPageChange(TPanel panel, std::string text) { Set(panel, std::move(text)); }
    TPageChange& Set(TPanel panel, std::string text) {
        Texts[static_cast<int>(panel)] = std::move(text);
        return *this;
    }
    TPageChange& SetTicked(size_t rows) {
        Ticked = rows;
        return *this;
    }
    TPageChange& Tip(std::string detail) {
        Detail = std::move(detail);
        return *this;
    }
    TPageChange& SetButtons(bool enabled) {
        Buttons = enabled;
        return *this;
    }
    TPageChange& SetLogin(bool enabled) {
        Login = enabled;
        return *this;
    }
    TPageChange& SetProtection(std::string text) {
        Protection = std::move(text);
        return *this;
    }
    TPageChange& SetLamp(TLamp lamp) {
        Lamp = lamp;
        return *this;
    }
};

// One change of the mail list: cleared first when Clear (the header the viewer shows with it),
// then the rows Added in the order shown, each with the header lines the page keeps to decide it
// again, then message numbers given anew by row index.
struct TRowsChange {
    bool Clear = false;
    std::vector<TMailRow> Added;
    std::vector<std::pair<size_t, std::string>> Numbers;
};

// The account page as its worker sees it: the changes the worker shows and the one question it
// may put while it runs. The worker reads nothing here: a command starts from the inputs it was
// given (TCheckInputs), in which the password and the user's agreement to a deletion were asked
// before the command was given (TConnect::QuestionBefore).
//
// The worker calls these from its own thread, one at a time, in the order the user must see the
// changes. A window implementation forwards each change to the user-interface thread in that
// order; the certificate question returns only once it is answered. CancelRequests is the one
// call made from another thread: at tear-down, while the worker may be blocked inside the
// question, it must make that call return promptly (the question then counts as refused).
class TAccountPage {
public:
    virtual ~TAccountPage() = default;

    virtual void Show(const TPageChange& change) = 0;
    virtual void ChangeRows(TRowsChange change) = 0;
    // The header of a message is being read (read false) or has been (true): number is the
    // message a listing reads, 0 for a header read alone.
    virtual void ListingProgress(int32_t number, bool read) = 0;
    // The viewer opens on these header lines (posted, not waited for); the page keeps its copies.
    virtual void ShowHeader(const std::vector<std::string>& lines, const std::string& subject,
                            const std::string& secondSubject) = 0;

    // The certificate question, with the warning text: true when the user trusts the certificate;
    // the page then keeps and stores hash as the account's trusted fingerprint. A question
    // cancelled at tear-down counts as refused.
    virtual bool AskTrustCertificate(const std::string& text, const std::string& hash) = 0;
    // The identity provider replaced the account's refresh token: the page keeps and stores the
    // new one at once.
    virtual void RefreshTokenChanged(const std::string& token) = 0;
    // A periodic check has ended.
    virtual void CheckEnded(const TCheckResult& result) = 0;

    // See above: called from the tearing-down thread only.
    virtual void CancelRequests() = 0;
};
