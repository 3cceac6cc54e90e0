#include "pop3/CertCheck.h"

// windows.h first: the others build on its types.
#include <windows.h>
// clang-format off
#include <wincrypt.h>
#include <bcrypt.h>
// clang-format on

#include <cstdio>
#include <vector>

namespace {

// Revocation counts only where it is known: offline or unknown status is no failure.
constexpr DWORD RevocationUnknown =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
// SECURITY_FLAG_IGNORE_REVOCATION (wininet.h): the SSL policy fails a revocation status nobody can
// tell under Wine whatever the policy flags; a known revocation is in the chain's status anyway.
constexpr DWORD PolicyIgnoresRevocation = 0x00000080;
constexpr DWORD ChainFlags =
    CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY;

std::string NameText(const CERT_NAME_BLOB& name) {
    const DWORD flags = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    auto* blob = const_cast<CERT_NAME_BLOB*>(&name);
    DWORD size = CertNameToStrA(X509_ASN_ENCODING, blob, flags, nullptr, 0);
    if (size <= 1) return "";
    std::vector<char> text(size);
    CertNameToStrA(X509_ASN_ENCODING, blob, flags, text.data(), size);
    return std::string(text.data());
}

std::string TimeText(const FILETIME& time) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &t)) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute);
    return text;
}

std::string Hex32(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

bool SelfSigned(const CERT_CHAIN_CONTEXT& chain, const CERT_CONTEXT& certificate) {
    if (chain.cChain == 0 || chain.rgpChain[0]->cElement != 1) return false;
    if (chain.rgpChain[0]->rgpElement[0]->TrustStatus.dwInfoStatus & CERT_TRUST_IS_SELF_SIGNED)
        return true;
    return CertCompareCertificateName(X509_ASN_ENCODING, &certificate.pCertInfo->Subject,
                                      &certificate.pCertInfo->Issuer) != FALSE;
}

TCertProblem ChainProblem(DWORD status, bool selfSigned) {
    if (status & CERT_TRUST_IS_REVOKED) return TCertProblem::Revoked;
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return selfSigned ? TCertProblem::SelfSigned : TCertProblem::UnknownIssuer;
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) return TCertProblem::Expired;
    return status ? TCertProblem::Other : TCertProblem::None;
}

TCertProblem PolicyProblem(DWORD error) {
    switch (error) {
        case 0:
            return TCertProblem::None;
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
            return TCertProblem::NameMismatch;
        case static_cast<DWORD>(CERT_E_EXPIRED):
            return TCertProblem::Expired;
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
        case static_cast<DWORD>(CERT_E_CHAINING):
            return TCertProblem::UnknownIssuer;
        case static_cast<DWORD>(CERT_E_REVOKED):
            return TCertProblem::Revoked;
        default:
            return TCertProblem::Other;
    }
}

}  // namespace

TCertReport TCertCheck::Inspect(const _CERT_CONTEXT* certificate, const std::wstring& host) {
    TCertReport report;
    if (!certificate) {
        report.Detail = "no server certificate";
        return report;
    }
    const CERT_INFO& info = *certificate->pCertInfo;
    report.Subject = NameText(info.Subject);
    report.Issuer = NameText(info.Issuer);
    report.ValidFrom = TimeText(info.NotBefore);
    report.ValidTo = TimeText(info.NotAfter);
    BYTE hash[32];
    DWORD hashSize = sizeof hash;
    // The SHA-256 property of the context is missing under Wine: hash the encoded form ourselves.
    if (CryptHashCertificate2(BCRYPT_SHA256_ALGORITHM, 0, nullptr, certificate->pbCertEncoded,
                              certificate->cbCertEncoded, hash, &hashSize))
        report.Sha256.assign(reinterpret_cast<const char*>(hash), hashSize);

    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    // The certificates the server sent (the context's store) may complete the chain.
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &para,
                                 ChainFlags, nullptr, &chain)) {
        report.Detail = "chain not built, error " + Hex32(GetLastError());
        return report;
    }
    const DWORD status = chain->TrustStatus.dwErrorStatus & ~RevocationUnknown;

    std::wstring name = host;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = PolicyIgnoresRevocation;
    ssl.pwszServerName = &name[0];
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof policyStatus;
    DWORD policyError = static_cast<DWORD>(CERT_E_CHAINING);
    if (CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &policyStatus))
        policyError = policyStatus.dwError;

    report.Problem = ChainProblem(status, SelfSigned(*chain, *certificate));
    if (report.Problem == TCertProblem::None) report.Problem = PolicyProblem(policyError);
    report.Detail =
        "chain " + Hex32(chain->TrustStatus.dwErrorStatus) + ", policy " + Hex32(policyError);
    CertFreeCertificateChain(chain);
    return report;
}
