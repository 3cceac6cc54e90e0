#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "learn/Learner.h"
#include "ui/Window.h"

// The learning dialog: how much the filter has learned, the percent at which it ticks, for
// each account whether its learned ticks are deleted unattended, mail read from a mail
// program's folder to learn from (on a thread of its own, with a progress bar, cancellable), and
// "学習をやり直す", which asks first. OK gives back the percent and the accounts' choices.
class TLearnDialog : public TWindow {
public:
    enum ControlId {
        IdCounts = 701,
        IdThreshold,
        IdAccounts,
        IdImport,
        IdProgress,
        IdStopImport,
        IdReset,
        IdOKButton = IDOK,
        IdCancelButton = IDCANCEL,
    };
    struct TAccount {
        std::string Name;
        bool LearnedDelete = false;
    };
    // Timer of the progress bar while mail is read.
    static constexpr UINT_PTR ProgressTimer = 1;

    TLearnDialog(std::shared_ptr<TLearner> learner, int threshold, std::vector<TAccount> accounts);
    ~TLearnDialog() override;

    // True on OK; Threshold and Accounts hold what the user set.
    bool ShowModal(HWND owner);
    int Threshold;
    std::vector<TAccount> Accounts;

    // Reads `path` (an mbox file, or the folder of an .eml file) and learns every header in it
    // with the label, on the dialog's thread for it; the progress bar follows. Public for the
    // tests, which give the path the file dialog would.
    void StartImport(const std::string& path, bool unwanted);
    bool Importing() const { return Worker.joinable(); }

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void ShowCounts();
    void ImportClick();
    void ImportTick();
    void FinishImport();
    void ResetClick();
    void OKButtonClick();

    std::shared_ptr<TLearner> Learner;
    HWND Owner = nullptr;
    HWND ThresholdEdit = nullptr, AccountList = nullptr, Progress = nullptr;
    std::thread Worker;
    std::atomic<int> Permille{0};
    std::atomic<bool> Stop{false}, Done{false};
    size_t Learned = 0;                // read by the dialog once Done
    std::vector<std::string> Skipped;  // likewise
    bool ReadFailed = false;
    std::string ImportPath;
};
