#include "app/update/check_for_update.h"
#include "app/update/http_client_wininet.h"
#include "app/update/update_command.h"

#include <iostream>
#include <string>
#include <windows.h>

namespace q9xz {

namespace {

// The running program's own file as the system knows it, so that the update replaces this
// program whatever the current folder is (a file dialog moves it); empty when it cannot be had.
std::string own_program_file() {
    std::string path(32768, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    return path;
}

} // namespace

std::function<void()> make_update_command(Toolkit& toolkit) {
    return [&toolkit] {
        WinInetHttpClient http;
        DiskUpdateFiles files;
        const UpdateContext context{
            toolkit, http, files, std::cerr, own_program_file(), UpdateAction::REPLACE_PROGRAM};
        check_for_update(context, UpdateServer{Q9XZ_UPDATE_HOST, Q9XZ_UPDATE_PORT, UPDATE_LIMITS},
                         Q9XZ_VERSION_TEXT);
    };
}

} // namespace q9xz
