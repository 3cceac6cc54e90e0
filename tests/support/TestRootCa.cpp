#include "TestRootCa.h"

// windows.h first: wincrypt.h builds on its types.
#include <windows.h>
// clang-format off
#include <wincrypt.h>
// clang-format on

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "TestEnv.h"

namespace {

const BYTE* Bytes(const std::string& data) { return reinterpret_cast<const BYTE*>(data.data()); }

// The test CA as this process opens it (Wine maps the Unix root to drive Z:).
std::string CaPath() { return "Z:" + TestEnv::Get("PB_TLS_CA"); }

class TTrustedTestCa : public testing::Environment {
public:
    void SetUp() override {
        if (!TestEnv::Get("PB_TLS_CA").empty()) Ca = std::make_unique<TTestRootCa>(CaPath());
    }
    void TearDown() override { Ca.reset(); }

private:
    std::unique_ptr<TTestRootCa> Ca;
};

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

std::string TestCertHash(const std::string& name) {
    if (TestEnv::Get("PB_TLS_CA").empty()) return "";
    const std::string ca = CaPath();
    std::ifstream file(ca.substr(0, ca.rfind('/') + 1) + name + ".sha256");
    std::string text;
    std::getline(file, text);
    return text;
}

std::string TestCertAddress(const std::string& name) {
    std::istringstream list(TestEnv::Get("PB_TLS_CASES"));
    for (std::string item; list >> item;)
        if (item.substr(item.find(':') + 1) == name) return item.substr(0, item.find(':'));
    return "127.0.0.1";
}

void TrustTestCaForTheRun() { testing::AddGlobalTestEnvironment(new TTrustedTestCa); }
