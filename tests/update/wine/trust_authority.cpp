// Adds a certificate authority (a DER file) to the root store of the Wine prefix it runs in, so
// that a test server signed by it is trusted there and nowhere else. For test prefixes only.
// Usage: q9xz_trust_authority CERTIFICATE.der
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>
// clang-format off
#include <windows.h>
#include <wincrypt.h> // needs windows.h first
// clang-format on

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: q9xz_trust_authority CERTIFICATE.der\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> der((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                      CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, "Root");
    if (store == nullptr) {
        std::fprintf(stderr, "cannot open the root store: %lu\n", GetLastError());
        return 1;
    }
    const BOOL added = CertAddEncodedCertificateToStore(
        store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        std::fprintf(stderr, "cannot add the certificate: %lu\n", error);
        return 1;
    }
    return 0;
}
