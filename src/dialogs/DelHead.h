#pragma once
#include <string>

#include "ui/Window.h"

// The rule dialog: one header name and one text, the rule it returns.
class TDelHead : public TWindow {
public:
    enum ControlId { IdComboBox1 = 301, IdEdit1, IdButton1 = IDOK, IdButton2 = IDCANCEL };

    // What the fields start with (the header viewer fills them from a header line); after an OK,
    // the rule: the header name with its colon, and the text.
    std::string HeaderText = "From:";
    std::string Text;

    // Shows the dialog modally, centred on owner; true when OK gave a complete rule (an
    // incomplete one is dropped without a word).
    bool ShowModal(HWND owner);

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void Button1Click();

    bool Accepted = false;
    HWND Owner = nullptr;
    HWND ComboBox1 = nullptr, Edit1 = nullptr;
};
