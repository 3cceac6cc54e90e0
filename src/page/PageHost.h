#pragma once
#include <memory>
#include <string>

#include "learn/Learner.h"
#include "settings/SenderStore.h"
#include "settings/SetupStore.h"
#include "worker/CheckResult.h"

// The two shared sender lists.
enum class TSenderListKind { Allow, Block };

// What an account page asks of the window that holds it. Every call is made on the UI thread
// and its answer is the return value.
class TPageHost {
public:
    virtual ~TPageHost() = default;

    // The lamp of the page in `slot` changed: its tab is drawn again.
    virtual void LampChanged(int slot) = 0;
    // The delete question; the dialog's result (mrOk when the user agreed).
    virtual int ConfirmDelete(const std::string& text) = 0;
    // The password question for the named account; empty when the user declined.
    virtual std::string AskPassword(const std::string& accountName) = 0;
    // The certificate question for the account stored under accountKey, with the warning text;
    // on "はい" the host stores hash as the account's trusted fingerprint and answers true.
    virtual bool AskTrustCertificate(const std::string& accountKey, const std::string& text,
                                     const std::string& hash) = 0;
    // The account stored under accountKey has a new refresh token: the host stores it sealed.
    virtual void RefreshTokenChanged(const std::string& accountKey, const std::string& token) = 0;
    // The header viewer on the page in `slot`, opened after the call returns: the page is looked
    // up again then, and nothing opens when it has gone meanwhile.
    virtual void ShowHeaderLater(int slot) = 0;
    // The periodic check of the page in `slot` has ended.
    virtual void CheckEnded(int slot, const TCheckResult& result) = 0;
    // The sender lists all accounts share, as last saved.
    virtual TSenderLists SenderLists() const = 0;
    // Adds an entry (an address or a domain, already checked) to a shared list, stores the lists
    // and has every page decide its rows again; false when the lists could not be stored.
    virtual bool AddSender(TSenderListKind list, const std::string& entry) = 0;
    // Takes an entry off a shared list, stores the lists and has every page decide its rows
    // again; false when the lists could not be stored.
    virtual bool RemoveSender(TSenderListKind list, const std::string& entry) = 0;
    // The extended view: login fields and buttons around the list.
    virtual bool ExtendedViewShown() const = 0;
    // The learning filter all accounts share (none: nothing learns) and the percent at which it
    // ticks a row.
    virtual std::shared_ptr<TLearner> Learner() const { return nullptr; }
    virtual int LearnThreshold() const { return TSetupStore::DefaultLearnThreshold; }
};
