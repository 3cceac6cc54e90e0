// The periodic check: "接続" without a question, then the automatic deletion, and QUIT.
#include <string>

#include "headers/SjisText.h"
#include "worker/Connect.h"

namespace {

const char* const NoLoginText = "サーバ名かユーザ名がないため、確認しませんでした。";
const char* const NoPasswordText =
    "パスワードが保存されていないため、確認しませんでした。「接続」で入力してください。";
const char* const CertNotAskedText =
    "サーバの証明書を確認する必要があるため、確認しませんでした。「接続」で確認してください。";
const char* const ConnectedText = "接続中のため、確認しませんでした。";
const char* const CheckedText = "確認しました。";

// How a failure of the session bears on the next try.
TCheckOutcome OutcomeOf(const std::exception& failure) {
    const auto* pop3 = dynamic_cast<const EPop3Failure*>(&failure);
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

TCheckResult TConnect::FailedCheck(const std::string& text, TCheckOutcome outcome) {
    // Never left standing: a refused login keeps the connection for a QUIT.
    Session->Quit();
    ShowFailure(text);
    EnableLogin(true);
    TCheckResult result;
    result.Outcome = outcome;
    result.Failure = text;
    result.LoginDelaySeconds = Session->LoginDelay;
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
    if (Inputs.Serv.empty() || Inputs.IDNum.empty() || Inputs.Pass.empty()) {
        const char* text = Inputs.Pass.empty() && !Inputs.Serv.empty() && !Inputs.IDNum.empty()
                               ? NoPasswordText
                               : NoLoginText;
        Page.CheckEnded(FailedCheck(text, TCheckOutcome::Refused));
        return;
    }
    CertificateNotAsked = false;
    try {
        OpenSession(Inputs.Pass);
    } catch (const std::exception& failure) {
        const std::string text = CertificateNotAsked ? CertNotAskedText : failure.what();
        Page.CheckEnded(FailedCheck(text, OutcomeOf(failure)));
        return;
    }
    if (Session->MessageCount == TKvSocket::NoCountInStat) {
        // The listing ended the session and said why.
        Page.CheckEnded(FailedCheck("このサーバでは使えないようです。", TCheckOutcome::Refused));
        return;
    }
    TCheckResult result;
    result.LoginDelaySeconds = Session->LoginDelay;
    Session->Quit();
    // The rows stay for a later "削除 + 切断", which reconnects and finds them by unique id.
    ListedHere = false;
    Page.SetProtectionText("");
    Page.SetIndicatorState(Index, LampIdle);
    EnableLogin(true);
    if (Session->MessageCount > 0) Page.SetStatusText(0, CheckedText);
    Page.SetButtonsEnabled(true);
    for (const TMailRow& row : Shown) {
        if (row.RuleTicked) continue;
        ++result.Waiting;
        if (Fetched.count(row.Columns[TMailRow::Uidl])) result.Arrived.push_back(row);
    }
    Page.CheckEnded(result);
}
