#pragma once
#include <windows.h>

// One C++ object per window. The static procedures take the object from the create
// parameters (CreateWindowEx's lpParam, or WM_INITDIALOG's lParam), keep it in GWLP_USERDATA
// and route every later message to the object's WndProc. Every window class and dialog of
// the program goes through this one binding.
class TWindow {
public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow();

    HWND Handle = nullptr;

    // The object bound to a window of this program, or null.
    static TWindow* FromHandle(HWND window);

    // Registers a window class whose messages go to the bound object (once per name).
    static void RegisterWindowClass(const char* className, HBRUSH background = nullptr,
                                    UINT classStyle = CS_HREDRAW | CS_VREDRAW);

    // Creates the window of a class registered above, bound to this object.
    HWND CreateHandle(const char* className, const char* caption, DWORD style, DWORD exStyle,
                      int left, int top, int width, int height, HWND parent, int id = 0);

    // Runs a modal dialog bound to this object, from an empty template: the object builds its
    // controls on WM_INITDIALOG. Returns the value given to EndDialog.
    INT_PTR RunModalDialog(HWND owner,
                           DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                           DWORD exStyle = 0);

    // The DPI the window's sizes and fonts are made for.
    int MadeForDpi() const { return FMadeForDpi; }

protected:
    // WM_DPICHANGED, unless the window handles it itself: the children (and report lists'
    // columns) are scaled, the program's fonts swapped for those of the new DPI, and the window
    // takes the rectangle the system suggests.
    void FollowDpi(int dpi, const RECT& suggested);
    // Messages of a window created with CreateHandle. Default: DefWindowProcA.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Messages of a dialog run with RunModalDialog; returns what a dialog procedure returns.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called on WM_NCDESTROY, after which Handle is null.
    virtual void HandleDestroyed() {}

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    // The object bound to a window of one of the program's own classes or dialogs, whose user
    // data only this binding sets; null before the binding and after it ends.
    static TWindow* BoundObject(HWND window);
    void Bind(HWND window);
    void Unbind();
    int FMadeForDpi = 96;
};
