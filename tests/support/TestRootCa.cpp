#include "TestRootCa.h"

// windows.h first: wincrypt.h builds on its types.
#include <windows.h>
// clang-format off
#include <wincrypt.h>
// clang-format on

#include <fstream>
#include <iterator>

namespace {

const BYTE* Bytes(const std::string& data) { return reinterpret_cast<const BYTE*>(data.data()); }

}  // namespace

TTestRootCa::TTestRootCa(const std::string& derPath) {
    std::ifstream file(derPath, std::ios::binary);
    Encoded.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (Encoded.empty()) return;
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (!store) return;
    IsAdded = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, Bytes(Encoded),
                                               static_cast<DWORD>(Encoded.size()),
                                               CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    CertCloseStore(store, 0);
}

TTestRootCa::~TTestRootCa() {
    if (!IsAdded) return;
    PCCERT_CONTEXT mine = CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(Encoded),
                                                       static_cast<DWORD>(Encoded.size()));
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (mine && store) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, mine, nullptr);
        if (found) CertDeleteCertificateFromStore(found);  // frees found
    }
    if (store) CertCloseStore(store, 0);
    if (mine) CertFreeCertificateContext(mine);
}
