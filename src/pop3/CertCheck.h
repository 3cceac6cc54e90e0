#pragma once
#include <string>

#include "pop3/CertReport.h"

struct _CERT_CONTEXT;

// Our own judgement of a server certificate (Windows only): SChannel's automatic validation and the
// SSL policy alone are not enough, as they pass unknown issuers and incomplete chains under Wine.
// Trusted only when the chain built for server authentication has a clean status and the SSL policy
// with the host name passes.
class TCertCheck {
public:
    static TCertReport Inspect(const _CERT_CONTEXT* certificate, const std::wstring& host);
};
