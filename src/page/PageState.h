#pragma once
#include <memory>
#include <string>
#include <vector>

#include "page/PageHost.h"
#include "settings/AccountStore.h"
#include "worker/AccountChoices.h"

// What an account page knows besides its controls: the account's settings as its worker reads
// them and where the page stands. The page and its worker's bridge share it.
struct TPageState {
    // The lamps a tab can show.
    static constexpr int LampCount = 4;

    TPageState(TPageHost& host, int index) : Host(host), Index(index) {}

    TPageHost& Host;
    int Index;
    // The last command given, whether the worker took it or not.
    int Command = 0;
    std::vector<std::string> HeaderLines;
    // The authserv-id of each listed row (TMailRow::AuthServId), kept with the list: rows are
    // only ever added or cleared all at once.
    std::vector<std::string> ListedAuthServIds;
    std::vector<std::string> Rules;
    std::string KeyName;
    std::string Design;
    int AutoDelMode = 0;
    TAccountFilter Filter;  // the account's spam checks
    // Periodic checks: minutes between them (0 off), deleting the rule-ticked mail unasked,
    // keeping a copy of what goes.
    int CheckEvery = 0;
    bool DeleteTicked = false;
    bool KeepCopy = false;
    int Security = 0;        // the account's connection protection ("Security")
    std::string CertHash;    // fingerprint of the certificate trusted for the account, or empty
    // The login method with its OAuth 2.0 client, and the refresh token signed in with (in
    // memory; the store holds it sealed).
    TOAuthAccount OAuth;
    std::string RefreshToken;
    int IndicatorState = 0;  // the lamp: 0 blue, 1 green, 2 red, 3 yellow
    bool LogEnabled = false;
    // The header viewer's subject, kept until the account's next header command.
    std::string HeaderSubject;
    // What decided the tick of the row whose header the viewer shows, taken with the command.
    std::string HeaderReason;
    // Its score by learning and the clues, taken with the command; empty before learning ticks.
    std::string HeaderLearning;
    // A header viewer has been asked for and not opened yet.
    bool HeaderPending = false;
    // The user's choices for the mailbox of KeyName (bound to ChoicesKey), shared with the
    // worker; none before a command or a hand tick needed it, and none without a key.
    std::shared_ptr<TAccountChoices> Choices;
    std::string ChoicesKey;

    // Stores the lamp and has the tabs drawn again; a state without a lamp is refused.
    void SetIndicatorState(int state) {
        // Only the four lamps exist; any other value would index past them.
        if (state < 0 || state >= LampCount) return;
        IndicatorState = state;
        Host.LampChanged(Index);
    }
};
