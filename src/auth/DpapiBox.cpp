#include "auth/DpapiBox.h"

#include <windows.h>
// windows.h first: dpapi.h needs its types.
#include <dpapi.h>

namespace {

bool Transform(const std::string& in, std::string& out, bool seal) {
    DATA_BLOB input{static_cast<DWORD>(in.size()),
                    reinterpret_cast<BYTE*>(const_cast<char*>(in.data()))};
    DATA_BLOB output{0, nullptr};
    const BOOL done = seal ? CryptProtectData(&input, L"Prunebox", nullptr, nullptr, nullptr,
                                              CRYPTPROTECT_UI_FORBIDDEN, &output)
                           : CryptUnprotectData(&input, nullptr, nullptr, nullptr, nullptr,
                                                CRYPTPROTECT_UI_FORBIDDEN, &output);
    if (!done) return false;
    out.assign(reinterpret_cast<const char*>(output.pbData), output.cbData);
    if (!seal) SecureZeroMemory(output.pbData, output.cbData);
    LocalFree(output.pbData);
    return true;
}

}  // namespace

bool TDpapiBox::Seal(const std::string& plain, std::string& sealed) {
    return !plain.empty() && Transform(plain, sealed, true);
}

bool TDpapiBox::Open(const std::string& sealed, std::string& plain) {
    return !sealed.empty() && Transform(sealed, plain, false);
}
