#pragma once
#include <memory>
#include <string>

#include "learn/Learner.h"
#include "settings/SetupStore.h"
#include "ui/PageControl.h"

// What the menu's and tool bar's commands ask of the main window that owns them. Every call is
// made on the UI thread.
class TCommandHost {
public:
    virtual ~TCommandHost() = default;

    virtual bool ToolBarShown() const = 0;
    // Shows or hides the tool bar with its line and lays the window out again.
    virtual void ShowToolBar(bool shown) = 0;
    // The extended view: login fields and buttons around the list.
    virtual bool ExtendedViewShown() const = 0;
    virtual void SetExtendedView(bool shown) = 0;
    // The command line that starts the user's mail program.
    virtual std::string MailerCommandLine() const = 0;
    // Every page's mail list takes this font (size in points, style bits as stored).
    virtual void SetListFont(const std::string& name, int pointSize, int style) = 0;
    virtual void SetTabPosition(TTabPosition position) = 0;
    // Removes the stored account and its page.
    virtual void RemoveAccount(int slot) = 0;
    virtual void RedrawTabs() = 0;
    // The notification-area settings in use; setting them stores them and adds or removes the
    // icon at once.
    virtual TResidentSettings ResidentSettings() const = 0;
    virtual void SetResidentSettings(const TResidentSettings& settings) = 0;
    // The sender lists or an account's rules or checks were saved: every page decides its rows
    // again (rows ticked or unticked by hand keep their tick).
    virtual void RulesChanged() = 0;
    // The learning filter all accounts share, and the percent at which it ticks a row (stored
    // when set).
    virtual std::shared_ptr<TLearner> Learner() const = 0;
    virtual int LearnThreshold() const = 0;
    virtual void SetLearnThreshold(int percent) = 0;
};
