// The periodic check: "接続" without a question, then the automatic deletion, and QUIT.
#include <set>
#include <stdexcept>
#include <string>

#include "auth/AuthFailure.h"
#include "headers/ConvertError.h"
#include "headers/SjisText.h"
#include "history/CopyFolder.h"
#include "history/DeleteHistory.h"
#include "history/MessageCopy.h"
#include "pop3/ScanListing.h"
#include "worker/Connect.h"

namespace {

const char* const NoLoginText =
    "サーバ名かユーザ名がないため、新着確認をしませんでした。アカウントの設定で入力してください。";
const char* const NoPasswordText =
    "パスワードが保存されていないため、新着確認をしませんでした。アカウントの設定で"
    "「パスワードの保存」をオンにするか、「接続」を押して入力してください。";
const char* const CertNotAskedText =
    "サーバの証明書を信頼するか問い合わせる必要があるため、新着確認をしませんでした。"
    "「接続」を押して答えてください。";
const char* const ConnectedText = "接続中のため、新着確認をしませんでした。";
const char* const CheckedText = "新着確認しました。";
const char* const ChoicesHeldText =
    "手で付け外しした削除チェックの記録が壊れていたため、自動削除をしませんでした。サーバ上の"
    "メールは削除されていません。「接続」を押して一覧を確かめてください。";

// Panel 0's text for a check whose session failed. Nobody watched it fail, so where the bare text
// would leave the user guessing, it names the field or gives the server's own words.
std::string CheckFailureText(const std::exception& failure) {
    if (const auto* port = dynamic_cast<const EConvertError*>(&failure))
        return "POP3サーバ名のポート番号「" + port->Text() +
               "」が数字でないため、新着確認をしませんでした。「:」の後に数字で入力してください。";
    const auto* pop3 = dynamic_cast<const EPop3Failure*>(&failure);
    if (pop3 && pop3->Kind() == TFailureKind::LoginRefused) {
        std::string text = failure.what();
        if (!pop3->ServerText().empty()) text += " (サーバの応答: " + pop3->ServerText() + ")";
        return text +
               " 新着確認をしませんでした。アカウントの設定を確かめて「接続」を押してください。";
    }
    return failure.what();
}

// How a failure of the session bears on the next try.
TCheckOutcome OutcomeOf(const std::exception& failure) {
    const auto* pop3 = dynamic_cast<const EPop3Failure*>(&failure);
    const auto* auth = dynamic_cast<const EAuthFailure*>(&failure);
    // The identity provider out of reach is a passing trouble like the server's.
    if (auth)
        return auth->Kind() == EAuthFailure::Network ? TCheckOutcome::NetworkFailure
                                                     : TCheckOutcome::Refused;
    if (!pop3) return TCheckOutcome::Refused;
    switch (pop3->Kind()) {
        case TFailureKind::InUse:
            return TCheckOutcome::InUse;
        case TFailureKind::CommError:
        case TFailureKind::TimeOut:
        case TFailureKind::Disconnected:
        case TFailureKind::Temporary:
            return TCheckOutcome::NetworkFailure;
        default:
            return TCheckOutcome::Refused;
    }
}

}  // namespace

void TConnect::TakeHandTicks() {
    HandTicks.clear();
    for (const TMailRow& row : Inputs.Rows) {
        const std::string& uid = row.Columns[TMailRow::Uidl];
        if (row.Ticked == row.RuleTicked || uid.empty()) continue;
        // Two rows with one id and different ticks: the untick wins, nothing goes by mistake.
        const auto given = HandTicks.emplace(uid, row.Ticked);
        if (!given.second) given.first->second = given.first->second && row.Ticked;
    }
}

TCheckResult TConnect::FailedCheck(const std::exception& failure, const std::string& text,
                                   TCheckOutcome outcome) {
    // Never left standing: a refused login keeps the connection for a QUIT.
    Session->Quit();
    ShowFailure(failure);
    if (text != failure.what()) Page.SetStatusText(0, text);
    EnableLogin(true);
    TCheckResult result;
    result.Outcome = outcome;
    result.Failure = text;
    result.LoginDelaySeconds = Session->LoginDelay;
    const auto* auth = dynamic_cast<const EAuthFailure*>(&failure);
    result.SignInNeeded = auth && auth->Kind() == EAuthFailure::SignIn;
    return result;
}

void TConnect::PeriodicCheck() {
    TakeHandTicks();
    // A session the user opened stays his; the schedule should not have started the check.
    if (Session->MessageCount != -1 && Session->Noop()) {
        TCheckResult result;
        result.Outcome = TCheckOutcome::Refused;
        result.Failure = ConnectedText;
        result.LoginDelaySeconds = Session->LoginDelay;
        Page.CheckEnded(result);
        return;
    }
    const bool token = IsOAuth(Inputs.OAuth.Method);
    if (Inputs.Serv.empty() || Inputs.IDNum.empty() || (!token && Inputs.Pass.empty())) {
        const char* text = Inputs.Pass.empty() && !Inputs.Serv.empty() && !Inputs.IDNum.empty()
                               ? NoPasswordText
                               : NoLoginText;
        Page.CheckEnded(FailedCheck(std::runtime_error(text), text, TCheckOutcome::Refused));
        return;
    }
    // Without a refresh token only the browser helps, which a check never opens.
    if (token && Inputs.RefreshToken.empty()) {
        const EAuthFailure failure = EAuthFailure::SignInNeeded();
        Page.CheckEnded(FailedCheck(failure, failure.what(), TCheckOutcome::Refused));
        return;
    }
    CertificateNotAsked = false;
    try {
        OpenSession(Inputs.Pass);
        Page.SetProtectionText(ProtectionText());
        // A check lists afresh; the page keeps its rows until the listing is whole. The buttons
        // wait for the check's end.
        Shown.clear();
        ListMailbox(false);
    } catch (const std::exception& failure) {
        const std::string text = CertificateNotAsked ? CertNotAskedText : CheckFailureText(failure);
        Page.CheckEnded(FailedCheck(failure, text, OutcomeOf(failure)));
        return;
    }
    if (Session->MessageCount == TKvSocket::NoCountInStat) {
        // The listing ended the session and said why.
        const char* const text = "このサーバでは使えないようです。";
        Page.CheckEnded(FailedCheck(std::runtime_error(text), text, TCheckOutcome::Refused));
        return;
    }
    TCheckResult result;
    result.LoginDelaySeconds = Session->LoginDelay;
    std::string text = Session->MessageCount > 0 ? CheckedText : "";
    if (Inputs.DeleteTicked && Session->Connected()) {
        text = DeleteRuleTicked(result);
    } else {
        Session->Quit();
    }
    // The rows stay for a later "削除 + 切断", which reconnects and finds them by unique id.
    if (!ChoicesProblem.empty()) {
        text = ChoicesProblem + text;
        if (result.Failure.empty()) result.Failure = ChoicesProblem;
    }
    ListedHere = false;
    Page.SetProtectionText("");
    Page.SetIndicatorState(Index, LampIdle);
    EnableLogin(true);
    if (!text.empty()) Page.SetStatusText(0, text);
    Page.SetButtonsEnabled(true);
    // The page has the rows' header lines now.
    for (TMailRow& row : Shown) row.HeaderLines.clear();
    for (const TMailRow& row : Shown) {
        if (row.RuleTicked) continue;
        ++result.Waiting;
        if (Arrived.count(IdentityOf(row))) result.Arrived.push_back(row);
    }
    Page.CheckEnded(result);
}

std::string TConnect::DeleteRuleTicked(TCheckResult& result) {
    // Only what a rule ticked and the user left ticked; never a row ticked by hand.
    ConfirmedRows.clear();
    for (const TMailRow& row : Shown)
        if (row.Ticked && row.RuleTicked) ConfirmedRows.push_back(row);
    if (ConfirmedRows.empty()) {
        Session->Quit();
        return CheckedText;
    }
    if (Inputs.Choices && Inputs.Choices->HoldsAutomaticDeletion()) {
        // Choices may be missing from what was read: the user looks at the list first.
        ConfirmedRows.clear();
        Session->Quit();
        result.Failure = ChoicesHeldText;
        return result.Failure;
    }
    const std::string problem = TDeleteHistory(Inputs.HistoryFolder).WriteProblem();
    if (!problem.empty()) {
        ConfirmedRows.clear();
        Session->Quit();
        result.Failure = problem;
        return result.Failure;
    }
    Page.SetStatusText(0, "メールの自動削除中...");
    Page.RepaintStatusBar();
    TNotDeleted notDeleted;
    std::vector<const TMailRow*> deleted;  // into ConfirmedRows
    try {
        notDeleted = DeleteTickedRows(ConfirmedRows, deleted);
    } catch (const std::exception& failure) {
        // Never QUIT now: the server would delete what was marked before the failure.
        try {
            Session->RaiseFailure(TFailureKind::Disconnected);
        } catch (const EPop3Failure&) {
        }
        ConfirmedRows.clear();
        result.Outcome = OutcomeOf(failure);
        result.Failure =
            std::string("自動削除できませんでした。サーバ上のメールは削除されていません。(") +
            failure.what() + ")";
        return result.Failure;
    }
    if (!QuitConfirmed()) {
        // The mail may or may not be gone: the rows stay, no history line claims it.
        ConfirmedRows.clear();
        result.Outcome = TCheckOutcome::NetworkFailure;
        result.Failure = QuitRefusedText;
        return result.Failure;
    }
    const bool historyWritten = WriteHistory(deleted, TDeleteHistory::Automatic);
    ForgetDeleted(deleted, false);
    result.Deleted = deleted.size();
    ShowRemaining(deleted);
    ConfirmedRows.clear();
    std::string text = CheckedText;
    if (result.Deleted > 0) text += std::to_string(result.Deleted) + "通を自動削除しました。";
    text += NotDeletedText(notDeleted);
    if (!historyWritten) text += TDeleteHistory::NotWrittenText;
    // Mail that could not be saved stays, and mail deleted without its history line is gone
    // unrecorded: the user must hear of either (a full disk, say).
    if (notDeleted.NotCopied > 0 || !historyWritten) result.Failure = text;
    return text;
}

void TConnect::ShowRemaining(const std::vector<const TMailRow*>& deleted) {
    // By number on the connection that listed them: an id may name two messages.
    std::set<std::string> gone;
    for (const TMailRow* row : deleted) gone.insert(row->Columns[TMailRow::Number]);
    std::vector<TMailRow> remaining;
    for (TMailRow& row : Shown)
        if (!gone.count(row.Columns[TMailRow::Number])) remaining.push_back(std::move(row));
    Shown = std::move(remaining);
    Page.ClearRows();
    size_t ticked = 0;
    for (const TMailRow& row : Shown) {
        PostRow(row);
        ticked += row.Ticked ? 1 : 0;
    }
    Page.RepaintRows();
    Page.SetStatusText(1, "全 " + std::to_string(Shown.size()) + "通");
    Page.SetStatusText(2, ticked > 0 ? "削除予定 " + std::to_string(ticked) + "通" : std::string());
}

bool TConnect::CopyMessage(int32_t number, const TMailRow& row) {
    const TCopyFolder folder(Inputs.HistoryFolder);
    const std::string account = SjisText::Trim(Inputs.TabCaption);
    const std::string& uid = row.Columns[TMailRow::Uidl];
    const auto listed = Listed.find(uid);
    const std::string digest = listed != Listed.end() ? listed->second.HeaderDigest : "";
    auto keep = [&](const std::string& path) {
        CopyNames[&row] = path.substr(folder.AccountFolder(account).size() + 1);
        return true;
    };
    // Each retry of a deletion that failed after its copies would write another whole copy.
    const std::string kept = folder.KeptCopy(account, uid, digest);
    if (!kept.empty()) return keep(kept);
    TMessageCopy copy;
    if (!copy.Open(folder.CopyPath(account, LocalNow(), uid, digest))) return false;
    // The size the listing gave bounds the reply, so that one that never ends cannot fill the disk.
    int32_t listedSize = 0;
    TScanListing::Number(row.Columns[TMailRow::Size], listedSize);
    bool fits = true;
    const bool sent = Session->Retr(number, listedSize, [&](const char* bytes, size_t count) {
        fits = copy.Feed(bytes, count) == count && fits;
    });
    // Without Finish the copy removes itself.
    return sent && fits && copy.Finish() && keep(copy.Path());
}
