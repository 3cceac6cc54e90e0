#pragma once
#include <stdexcept>
#include <string>

// A sign-in or token refresh that did not give a token. what() is the Shift_JIS text the account
// shows; Kind() tells who can mend it: only the user in the browser (no refresh token, or the
// provider refused it), the user in the account's settings, or time (the provider could not be
// reached or had trouble).
class EAuthFailure : public std::runtime_error {
public:
    enum TKind { SignIn, Setup, Network };
    // The account's text when only a new sign-in helps.
    static constexpr const char* SignInNeededText = "サインインが必要です";

    EAuthFailure(const std::string& text, TKind kind, std::string detail = std::string())
        : std::runtime_error(text), FailureKind(kind), Said(std::move(detail)) {}
    static EAuthFailure SignInNeeded(std::string detail = std::string()) {
        return EAuthFailure(SignInNeededText, SignIn, std::move(detail));
    }
    TKind Kind() const { return FailureKind; }
    // The provider's words (error code and description), or the transport's, for the log.
    const std::string& Detail() const { return Said; }

private:
    TKind FailureKind;
    std::string Said;
};
