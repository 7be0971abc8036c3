#include "app/update/check_for_update.h"
#include "app/update/update_command.h"
#include "app/update/wininet_http.h"

#include <iostream>

namespace q9xz {

void run_update_command(Toolkit& toolkit, std::string_view own_version) {
    WinInetHttpClient http;
    DiskUpdateFiles files;
    const UpdateContext context{toolkit, http, files, std::cerr};
    check_for_update(context, UpdateServer{Q9XZ_UPDATE_HOST, 80}, own_version);
}

} // namespace q9xz
