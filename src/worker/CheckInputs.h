#pragma once
#include <memory>
#include <string>
#include <vector>

#include "auth/OAuthProvider.h"
#include "learn/Learner.h"
#include "rules/RuleSet.h"
#include "worker/AccountChoices.h"
#include "worker/MailRow.h"

// Everything a command of the worker starts from, taken on the user-interface thread when the
// command is given. The worker reads nothing else of its page: what the user changes on the page
// from then on is for the next command. Names follow the account's stored settings.
struct TCheckInputs {
    // The login fields as typed.
    std::string Serv;  // host, or host ":" port
    std::string IDNum;
    std::string Pass;  // empty: the worker asks for it
    bool APOPCheck = false;
    // The login method and OAuth 2.0 client (OAuth.Method 2 or 3: no password, a token), and
    // the refresh token the account signed in with.
    TOAuthAccount OAuth;
    std::string RefreshToken;
    // The account's settings.
    int Security = 0;        // 0 none, 1 SSL/TLS, 2 STARTTLS
    std::string CertHash;    // fingerprint of the certificate trusted for the account, or empty
    TRuleInputs RuleInputs;  // the mode, the text rules, the account's checks, the sender lists
    std::string Design;      // designated header name, colon included; empty for none
    bool LogEnabled = false;
    std::string TabCaption;  // names the account in the password question and the history
    // Where a deletion writes its history lines; empty: no history.
    std::string HistoryFolder;
    // A periodic check: it asks nothing, never stays connected and, with DeleteTicked, deletes
    // the rows a rule ticked (never a row ticked or unticked by hand) without the confirmation,
    // keeping a copy of each first with KeepCopy.
    bool Unattended = false;
    bool DeleteTicked = false;
    bool KeepCopy = false;
    // The mail list as shown, in the page's order, each row ticked as the user left it: given to
    // the commands that act on the ticked rows (delete, header) and to a periodic check (which
    // keeps the ticks the user gave), empty for the others.
    std::vector<TMailRow> Rows;
    // The user's choices and the rules of the moment, shared with the page and read live; none
    // for a page without a stored account.
    std::shared_ptr<TAccountChoices> Choices;
    // The learning filter all accounts share; none: nothing is learned or ticked by it.
    std::shared_ptr<TLearner> Learner;
};
