#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "page/MainFrame.h"
#include "page/PageBridge.h"
#include "page/PageHost.h"
#include "page/PageState.h"
#include "settings/AccountStore.h"
#include "ui/TabSheet.h"
#include "worker/Connect.h"

class TPageControl;

// Everything of one account while the program runs: its tab, its controls, its rules, its
// worker. The worker reaches the page only through its bridge.
class TChPage : public TPageState {
public:
    // Commands for the account's worker.
    static constexpr TConnect::TCommand CommandConnect = TConnect::CmdConnect;
    static constexpr TConnect::TCommand CommandDisconnect = TConnect::CmdDisconnect;
    static constexpr TConnect::TCommand CommandDelete = TConnect::CmdDelete;
    static constexpr TConnect::TCommand CommandNone = TConnect::CmdNone;
    static constexpr TConnect::TCommand CommandHeader = TConnect::CmdHeader;
    static constexpr TConnect::TCommand CommandCheck = TConnect::CmdCheck;

    // A page in slot `index` of `tabs`, asking `host` what the page cannot answer itself.
    TChPage(TPageHost& host, TPageControl& tabs, int index);
    ~TChPage();
    TChPage(const TChPage&) = delete;
    TChPage& operator=(const TChPage&) = delete;

    TPageControl& Tabs;
    std::unique_ptr<TTabSheet> TabSheet;
    std::unique_ptr<TMainFrame> Frame;
    std::unique_ptr<TPageBridge> Bridge;
    TConnectPtr Worker;

    // Fills the page from an account's settings: the one place they reach a page.
    void LoadAccount(const TAccountSettings& account);
    // The account name on the tab (room for the lamp when lamps are shown), and back.
    void SetAccountName(const std::string& name);
    std::string AccountName() const;
    // Writes the slot into every place that holds it (Index, sheet Tag, frame Tag, worker).
    void SetIndex(int index);
    // Lays the page out in the tab's current size and the main window's view.
    void ArrangePage();
    // Gives the worker a command (a button's Tag) with the page as it stands, and wakes it, once
    // the user answered what the command needs to know first.
    void RunCommand(int command);
    // What command needs of the user before it is given (the password, the agreement to a
    // deletion), asked here on the UI thread: the inputs with the answer, or none when the user
    // declined or the page went while the question was open.
    std::optional<TCheckInputs> AskBefore(TConnect::TCommand command, TCheckInputs inputs);
    // Starts a periodic check of the account; false when the worker is busy and refused it.
    bool StartCheck();
    // What the command starts from: the login fields, the account's settings and, for a command
    // that acts on the ticked rows, the rows with their ticks, as the page holds them now.
    TCheckInputs CheckInputs(int command) const;
    // What decides the rows' ticks: the account's mode, rules and checks, the shared sender lists.
    TRuleInputs RuleInputs() const;
    // After a change to the sender lists or the account's rules or checks: every row is decided
    // again by RuleInputs(), except that a row ticked or unticked by hand keeps its tick.
    void RulesChanged();
    // Rows a running command lists after a change of the rules were decided by the rules it
    // started from: they are decided again when it ends.
    bool RedecideAtEnd = false;
    // The row menu's learning commands: the row's header learned as unwanted or wanted, and
    // the row ticked or unticked to match, as by the user's hand.
    void LearnRow(int command, int row);
    // The row menu's sender-list commands (TMainFrame::IdAllowSender...): the row's From address,
    // or its domain, goes to a list through the host; a sender that cannot be an entry is
    // refused with a message saying why. Blocking a sender the allow list keeps asks first
    // whether to take it off that list; blocking a domain many people share asks first, saying
    // how many listed rows it ticks.
    void AddRowSender(int command, int row);
    // The listed rows the rules do not tick now that they would tick with `entry` blocked.
    int RowsTickedByBlocking(const std::string& entry) const;

    // The choices record of the account's mailbox, read when first needed and again when the
    // account's key changed; none for a page without a key.
    TAccountChoices* BindChoices();

private:
    // Rules that search nothing tick nothing in any mode: a listing turns the mode off.
    void ModeOffWithoutRules();
    void Redecide();
    // The questions before `entry` goes to the block list; false when the user declined.
    // `unallow` gets the allow-list entry to take off first (empty for none).
    bool BlockAsked(const std::string& entry, const std::string& address, std::string& unallow);
    // The user ticked or unticked the row at `row` by hand: into the choices record, which is
    // written once the burst of changes is over.
    void HandTicked(int row, bool ticked);

    // False once the page is gone; a question open meanwhile checks it before touching the page.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};
