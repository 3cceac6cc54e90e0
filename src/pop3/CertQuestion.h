#pragma once
#include <string>

#include "pop3/CertReport.h"

// What the worker does with a server certificate, and the question it puts to the user when the
// certificate is not trusted. Pure text work, no windows.
namespace CertQuestion {

enum class TDecision {
    Accept,      // the check passed, or the user trusted exactly this certificate before
    Ask,         // not trusted and never trusted for this account
    AskChanged,  // not trusted, and another certificate was trusted for this account
    Refuse,      // no certificate, or no fingerprint: nothing the user could trust or match
};
// `storedHash` is the account's "CertHash" (lower-case hex, or empty).
TDecision Decide(const TCertReport& report, const std::string& storedHash);

// Why the connection was ended when the certificate was not accepted.
std::string RefusalText(const TCertReport& report);

// The reason line for a problem.
std::string ReasonText(TCertProblem problem);

// The warning: why the certificate is not trusted, the host, subject, issuer, validity and
// fingerprint, and whether to trust it for this account.
std::string Text(const TCertReport& report, const std::string& host, bool changed);

}  // namespace CertQuestion
