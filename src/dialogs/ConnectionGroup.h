#pragma once
#include <windows.h>

#include <string>

#include "ui/KvPanelEx.h"

// The account dialog's group "接続先": name, server, user, password, port and protection.
class TConnectionGroup {
public:
    enum ControlId {
        IdAccountEdit = 201,
        IdSServ,
        IdPortEdit,
        IdPortUpDown,
        IdSIDNum,
        IdSPass,
        IdSAPOPCheck,
        IdPassCheck,
        IdSecurityCombo,
    };
    struct TValues {
        std::string AccountName;
        std::string SServ;
        std::string PortText = "110";
        std::string SIDNum;
        std::string SPass;
        bool SAPOPCheck = false;
        bool PassCheck = false;
        int Security = 0;  // kSecurity...
    };

    void Create(HWND dialog, const RECT& bounds, HFONT font);
    void Show(const TValues& values);
    TValues Read() const;
    // The port follows the protection between the plain and the TLS port.
    void SecurityComboChange();

    HWND AccountEdit = nullptr, SServ = nullptr, PortEdit = nullptr, PortUpDown = nullptr;
    HWND SIDNum = nullptr, SPass = nullptr, SAPOPCheck = nullptr, PassCheck = nullptr;
    HWND SecurityCombo = nullptr;

private:
    TKvPanelEx Group;
};
