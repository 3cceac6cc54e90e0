#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// The application title: the caption of boxes that have no caption of their own.
constexpr const char* kApplicationTitle = "Prunebox";

enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };

// The buttons of a message dialog, combined with |; their ids are their modal results.
enum TMsgDlgButton : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The message dialog of the program: built for the text, kind and buttons, centred on the
// owner, kept inside the work area, shown modally; returns the modal result. The default button
// (focused, pressed by Enter) is `defaultButton` when it is one of the buttons, else OK where
// there is one, else Yes.
std::uint16_t MessageDlgCenter(HWND owner, const std::string& text, TMsgDlgType kind,
                               unsigned buttons, int helpContext, unsigned defaultButton = 0);
