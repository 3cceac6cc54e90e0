#include "ui/Window.h"

#include "ui/Dpi.h"
#include "ui/UiFont.h"

namespace {
// Marks GWLP_USERDATA values set by this binding, so a foreign window is never taken for ours.
const char* const BoundProperty = "Prunebox.Bound";
}  // namespace

TWindow::~TWindow() {
    if (Handle) {
        HWND window = Handle;
        Unbind();
        DestroyWindow(window);
    }
}

TWindow* TWindow::FromHandle(HWND window) {
    if (!window || !GetPropA(window, BoundProperty)) return nullptr;
    return BoundObject(window);
}

TWindow* TWindow::BoundObject(HWND window) {
    // Read without the mark: a property lookup is a round trip to the window server under Wine,
    // and the list view's notifications reach its page once per row.
    return reinterpret_cast<TWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void TWindow::RegisterWindowClass(const char* className, HBRUSH background, UINT classStyle) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
}

HWND TWindow::CreateHandle(const char* className, const char* caption, DWORD style, DWORD exStyle,
                           int left, int top, int width, int height, HWND parent, int id) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    return CreateWindowExA(exStyle, className, caption, style, left, top, width, height, parent,
                           menu, GetModuleHandleA(nullptr), this);
}

INT_PTR TWindow::RunModalDialog(HWND owner, DWORD style, DWORD exStyle) {
    // No menu, the default dialog class, no title: three zero words after the header.
    struct alignas(4) {
        DLGTEMPLATE Header;
        WORD Menu, Class, Title;
    } blank{};
    blank.Header.style = style;
    blank.Header.dwExtendedStyle = exStyle;
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &blank.Header, owner,
                                   StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

LRESULT TWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

INT_PTR TWindow::DialogProc(UINT, WPARAM, LPARAM) { return FALSE; }

LRESULT TWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DPICHANGED) {
        FollowDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return DefWindowProcA(Handle, message, wParam, lParam);
}

void TWindow::FollowDpi(int dpi, const RECT& suggested) {
    const int old = FMadeForDpi;
    FMadeForDpi = dpi;
    Dpi::RescaleChildren(Handle, old, dpi);
    UiFont::Rescale(Handle, old, dpi);
    SetWindowPos(Handle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWindow::Bind(HWND window) {
    Handle = window;
    FMadeForDpi = Dpi::Of(window);
    SetPropA(window, BoundProperty, reinterpret_cast<HANDLE>(1));
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TWindow::Unbind() {
    if (!Handle) return;
    SetWindowLongPtrA(Handle, GWLP_USERDATA, 0);
    RemovePropA(Handle, BoundProperty);
    Handle = nullptr;
}

LRESULT CALLBACK TWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* self = static_cast<TWindow*>(create->lpCreateParams)) self->Bind(window);
    }
    TWindow* self = BoundObject(window);
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        LRESULT result = self->WndProc(message, wParam, lParam);
        self->Unbind();
        self->HandleDestroyed();
        return result;
    }
    return self->WndProc(message, wParam, lParam);
}

INT_PTR CALLBACK TWindow::StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (auto* self = reinterpret_cast<TWindow*>(lParam)) self->Bind(window);
    }
    TWindow* self = BoundObject(window);
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        INT_PTR result = self->DialogProc(message, wParam, lParam);
        self->Unbind();
        self->HandleDestroyed();
        return result;
    }
    const INT_PTR result = self->DialogProc(message, wParam, lParam);
    if (!result && message == WM_DPICHANGED) {
        self->FollowDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return result;
}
