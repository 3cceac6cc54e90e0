#pragma once
#include <windows.h>

#include <string>

class TChPage;

// The account list as the dialogs see it: the pages by slot, the two ways to find an account,
// adding one and bringing one to the front.
class TAccountDirectory {
public:
    virtual ~TAccountDirectory() = default;

    // The window the dialogs open over.
    virtual HWND Window() const = 0;
    // The page in `slot`; null when there is none.
    virtual TChPage* Page(int slot) const = 0;
    // The slot of the account with this name (compared as account names are); -1 for none.
    virtual int FindByName(const std::string& name) const = 0;
    // The slot of an account other than `except` stored under this key; -1 for none.
    virtual int FindByKey(const std::string& keyName, int except) const = 0;
    // A page for a new account, its tab placed before "新規"; null when every slot is used (the
    // user has been told then).
    virtual TChPage* AddAccount() = 0;
    // Makes the account's tab the active one.
    virtual void Activate(int slot) = 0;
};
