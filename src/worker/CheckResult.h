#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "worker/MailRow.h"

// How a check ended, for the time of the next one.
enum class TCheckOutcome {
    Done,            // listed (and perhaps deleted)
    Refused,         // no password, login refused, a certificate to ask about: wait the full time
    NetworkFailure,  // the server could not be reached or dropped: try again sooner
    InUse,           // the server said [IN-USE]: the mail program holds the mailbox
};

// What a periodic check tells the window when it has ended: for the schedule, the icon's tip and
// the notice of new mail.
struct TCheckResult {
    TCheckOutcome Outcome = TCheckOutcome::Done;
    // The server's LOGIN-DELAY in seconds when its CAPA announced one.
    std::optional<int32_t> LoginDelaySeconds;
    // The text panel 0 shows for a check that did not go through; empty when it did.
    std::string Failure;
    // The account must sign in again in the browser, which a check never opens.
    bool SignInNeeded = false;
    // Listed mail that no rule ticked, left on the server.
    size_t Waiting = 0;
    // Of those, the messages no earlier check of the account listed while the program ran.
    std::vector<TMailRow> Arrived;
    // Messages this check deleted.
    size_t Deleted = 0;
};
