#pragma once

#include "app/desktop.h"
#include "app/update/http_client.h"
#include "app/update/update_files.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace q9xz {

// The limits of the update requests. A stalled server must not freeze the window, which waits
// in each request, yet a slow but working line must still get the program file.
// Connecting (TCP and TLS) takes well under a second on any working line; fifteen seconds
// allows for a slow resolver or a congested link without leaving the window blank for minutes.
constexpr std::chrono::seconds UPDATE_CONNECT_LIMIT{15};
// A program file of a few hundred kilobytes comes in at 1 kB/s within minutes, so that is the
// least speed kept; one slower than that for half a minute is a trickle, as good as a stall.
constexpr std::uint32_t UPDATE_LOW_SPEED_BYTES = 1024;
constexpr std::chrono::seconds UPDATE_LOW_SPEED_TIME{30};
constexpr TransferLimits UPDATE_LIMITS{UPDATE_CONNECT_LIMIT, UPDATE_LOW_SPEED_BYTES,
                                       UPDATE_LOW_SPEED_TIME};
// The limits above bound each step, not their sum: a server that drips its answer just above
// the least speed could hold the window for minutes. The version check as a whole (from the
// first request until its answer is read) ends within this time whatever the server does.
constexpr std::chrono::milliseconds UPDATE_CHECK_DEADLINE{std::chrono::seconds(30)};

// The HTTPS port, where the update server answers.
constexpr std::uint16_t UPDATE_PORT = 443;

// Where new versions come from: the maker's web server, over HTTPS, within `limits`, the
// version check within `check_deadline`.
struct UpdateServer {
    std::string host;
    std::uint16_t port = UPDATE_PORT;
    TransferLimits limits = UPDATE_LIMITS;
    std::chrono::milliseconds check_deadline = UPDATE_CHECK_DEADLINE;
};

// What the Update command does with a newer version.
enum class UpdateAction {
    // Windows: download it and put it in place of the program file.
    REPLACE_PROGRAM,
    // Elsewhere (where a package manager installs the program): offer the download page.
    OPEN_DOWNLOAD_PAGE,
};

// What the update check talks to.
struct UpdateContext {
    Desktop& desktop;         // the message boxes, the question, the download page
    HttpClient& http;         // the two requests
    UpdateFiles& files;       // the program file, its backup and the download beside it
    std::ostream& header_log; // receives the headers of the program-file response
    // The program file to replace, as the system names it (a full path for the running
    // program); "Q9XZ.~xe" and the download are kept in its folder.
    std::string program_path{};
    UpdateAction action = UpdateAction::REPLACE_PROGRAM;
    // For OPEN_DOWNLOAD_PAGE: the page's web address.
    std::string download_page{};
};

// The Update command: asks `server` for "Q9XZ/version.txt" (the newest version text on its
// first line, optionally "sha256 <64 hex digits>" on its second), and when the version sorts
// after `own_version` and the user agrees, either downloads "Q9XZ/Q9XZ.exe" beside the program
// file and, once it is whole and checked, swaps it in (keeping the old program as "Q9XZ.~xe"),
// or opens the download page. Every outcome is told in a message box; on any failure the
// program file stays as it was. Failures are told in this platform's words (update_texts.h).
void check_for_update(const UpdateContext& context, const UpdateServer& server,
                      std::string_view own_version);

// The file `name` in the folder of `path` (the text up to its last "/" or "\").
std::string beside(std::string_view path, std::string_view name);

} // namespace q9xz
