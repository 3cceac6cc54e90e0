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

// Where the dialog goes: centred on owner, then moved into workArea (right, bottom, left,
// top, in this order). Returns the top-left corner.
POINT CenterInWorkArea(const RECT& owner, SIZE dialog, const RECT& workArea);
// Moves `window` (as large as it is) to the centre of `owner`, kept inside the work area; over
// the work area itself when there is no owner.
void CenterOverOwner(HWND window, HWND owner);
// Gives `window` the size whose client area is `client`, then centres it over `owner` as above.
void PlaceOverOwner(HWND window, SIZE client, HWND owner);
