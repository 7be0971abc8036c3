#include "app/update/check_for_update.h"
#include "app/update/curl_http.h"
#include "app/update/update_command.h"

#include <iostream>

namespace q9xz {

// A Linux install belongs to its package manager: Update only tells of a newer version and
// offers the download page; no program file is touched.
void run_update_command(Toolkit& toolkit, std::string_view own_version) {
    CurlHttpClient http(Q9XZ_UPDATE_TRUSTED_CA);
    DiskUpdateFiles files;
    const UpdateContext context{toolkit,   http, files,
                                std::cerr, {},   UpdateAction::OpenDownloadPage};
    check_for_update(context, UpdateServer{Q9XZ_UPDATE_HOST, Q9XZ_UPDATE_PORT, UPDATE_LIMITS},
                     own_version);
}

} // namespace q9xz
