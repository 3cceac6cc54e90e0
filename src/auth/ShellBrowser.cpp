#include "auth/ShellBrowser.h"

#include "auth/OAuthProvider.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shellapi.h>
#endif

bool OpenInBrowser(const std::string& url) {
    // Whatever a settings field holds, nothing but a web page is ever opened.
    if (!OAuthProvider::IsHttpsUrl(url)) return false;
#ifdef _WIN32
    // Some URL handlers are COM objects, which need the calling thread's apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const HINSTANCE result =
        ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com)) CoUninitialize();
    return reinterpret_cast<INT_PTR>(result) > 32;
#else
    return false;
#endif
}
