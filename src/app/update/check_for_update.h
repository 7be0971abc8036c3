#pragma once

#include "app/toolkit.h"
#include "app/update/http_client.h"
#include "app/update/update_files.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace q9xz {

// Where new versions come from: the maker's web server, plain HTTP.
struct UpdateServer {
    std::string host;
    std::uint16_t port = 80;
};

// What the update check talks to.
struct UpdateContext {
    Toolkit& toolkit;         // the message boxes and the question
    HttpClient& http;         // the two requests
    UpdateFiles& files;       // the program file and its backup in the current directory
    std::ostream& header_log; // receives the headers of the program-file response
};

// The Update command: asks `server` for the newest version text, and when it sorts after
// `own_version` and the user agrees, downloads the new program file as "Q9XZ.exe", keeping the
// old one as "Q9XZ.~xe". Every outcome is told in a message box.
void check_for_update(const UpdateContext& context, const UpdateServer& server,
                      std::string_view own_version);

} // namespace q9xz
