// Runs the Update command with the WinInet client against a server given on the command line,
// answering Yes, and prints every message box; the Wine check drives it. With --trust it adds
// a certificate (DER) to the root store of the Wine prefix it runs in, and nothing else.
#include "app/update/check_for_update.h"
#include "app/update/wininet_http.h"
#include "box_only_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

namespace {

class PrintingToolkit : public q9xz::test::BoxOnlyToolkit {
  public:
    q9xz::MessageAnswer message_box(std::string_view text, std::string_view title,
                                    q9xz::MessageButtons buttons, q9xz::MessageIcon,
                                    bool) override {
        std::cout << "[" << title << "] " << text << "\n--\n";
        return buttons == q9xz::MessageButtons::YesNo ? q9xz::MessageAnswer::Yes
                                                      : q9xz::MessageAnswer::Ok;
    }
};

int trust(const char* der_file, DWORD location) {
    std::ifstream in(der_file, std::ios::binary);
    const std::vector<char> der((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                     location | CERT_STORE_OPEN_EXISTING_FLAG, "Root");
    if (store == nullptr) {
        std::cerr << "cannot open the root store: " << GetLastError() << "\n";
        return 1;
    }
    const BOOL added = CertAddEncodedCertificateToStore(
        store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        std::cerr << "cannot add the certificate: " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--trust") {
        return trust(argv[2], CERT_SYSTEM_STORE_LOCAL_MACHINE);
    }
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: wininet_update_probe HOST PORT PROGRAM_FILE [LIMIT_SECONDS]\n"
                     "       wininet_update_probe --trust CERTIFICATE.der\n";
        return 2;
    }
    PrintingToolkit toolkit;
    q9xz::WinInetHttpClient http;
    q9xz::DiskUpdateFiles files;
    const q9xz::UpdateContext context{toolkit, http, files, std::cerr, argv[3]};
    // A short limit (seconds) for connecting and for the least speed, so that a check of a
    // stalled server ends soon.
    q9xz::TransferLimits limits = q9xz::UPDATE_LIMITS;
    if (argc == 5) {
        limits.connect = limits.low_speed_time = std::chrono::seconds(std::atoi(argv[4]));
    }
    q9xz::check_for_update(
        context, {argv[1], static_cast<std::uint16_t>(std::atoi(argv[2])), limits}, "2.6");
    return 0;
}
