#pragma once
#include <string>

#include "ui/Window.h"

class TASetup;

// The rule dialog: one header name and one text; its OK adds the rule to the account settings
// dialog's list.
class TDelHead : public TWindow {
public:
    enum ControlId { IdComboBox1 = 301, IdEdit1, IdButton1 = IDOK, IdButton2 = IDCANCEL };

    explicit TDelHead(TASetup& setup) : Setup(setup) {}

    // What the fields start with (the header viewer fills them from a header line).
    std::string HeaderText = "From:";
    std::string Text;

    // Shows the dialog modally, centred on owner.
    void ShowModal(HWND owner);

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void Button1Click();

    TASetup& Setup;
    HWND Owner = nullptr;
    HWND ComboBox1 = nullptr, Edit1 = nullptr;
};
