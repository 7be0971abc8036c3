#include "app/update/check_for_update.h"
#include "app/update/http_client_curl.h"
#include "app/update/update_command.h"
#include "string_ids.h"

#include <iostream>

namespace q9xz {

// A Linux install belongs to its package manager: Update only tells of a newer version and
// offers the download page; no program file is touched.
std::function<void()> make_update_command(Toolkit& toolkit) {
    return [&toolkit] {
        CurlHttpClient http(Q9XZ_UPDATE_TRUSTED_CA);
        DiskUpdateFiles files;
        UpdateContext context{toolkit, http, files, std::cerr};
        context.action = UpdateAction::OPEN_DOWNLOAD_PAGE;
        context.download_page = toolkit.text(IDS_DOWNLOAD_URL);
        check_for_update(context, UpdateServer{Q9XZ_UPDATE_HOST, Q9XZ_UPDATE_PORT, UPDATE_LIMITS},
                         Q9XZ_VERSION_TEXT);
    };
}

} // namespace q9xz
