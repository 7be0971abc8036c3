// Runs the Update command with the WinInet client against a server given on the command line,
// answering Yes, and prints every message box; the Wine check drives it.
#include "app/update/check_for_update.h"
#include "app/update/http_client_wininet.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

class PrintingDesktop : public q9xz::Desktop {
  public:
    q9xz::MessageAnswer message_box(std::string_view text, std::string_view title,
                                    q9xz::MessageButtons buttons, q9xz::MessageIcon,
                                    bool) override {
        std::cout << "[" << title << "] " << text << "\n--\n";
        return buttons == q9xz::MessageButtons::YES_NO ? q9xz::MessageAnswer::YES
                                                       : q9xz::MessageAnswer::OK;
    }
    bool open_address(const std::string&) override { return false; }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 6) {
        std::cerr << "usage: wininet_update_probe HOST PORT PROGRAM_FILE [LIMIT_SECONDS "
                     "[DEADLINE_SECONDS]]\n";
        return 2;
    }
    PrintingDesktop desktop;
    q9xz::WinInetHttpClient http;
    q9xz::DiskUpdateFiles files;
    const q9xz::UpdateContext context{desktop, http, files, std::cerr, argv[3]};
    // A short limit (seconds) for connecting and for the least speed, so that a check of a
    // stalled server ends soon.
    q9xz::TransferLimits limits = q9xz::UPDATE_LIMITS;
    if (argc >= 5)
        limits.connect = limits.low_speed_time = std::chrono::seconds(std::atoi(argv[4]));
    // And a short deadline for the version check.
    std::chrono::milliseconds deadline = q9xz::UPDATE_CHECK_DEADLINE;
    if (argc == 6)
        deadline = std::chrono::seconds(std::atoi(argv[5]));
    q9xz::check_for_update(
        context, {argv[1], static_cast<std::uint16_t>(std::atoi(argv[2])), limits, deadline},
        "2.6");
    return 0;
}
