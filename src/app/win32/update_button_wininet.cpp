#include "app/program_version.h"
#include "app/update/update_command.h"
#include "app/win32/update_button.h"

namespace q9xz {

std::function<void()> update_button_command(Toolkit& toolkit) {
    return [&toolkit] { run_update_command(toolkit, program_version()); };
}

} // namespace q9xz
