#pragma once
#include <string>

// Opens an https URL in the user's default browser (ShellExecute "open"), where the user's
// saved sign-ins serve; false when it could not, or for any other kind of URL.
bool OpenInBrowser(const std::string& url);
