#include "app/fltk/update_hook.h"
#include "app/program_version.h"
#include "app/update/update_command.h"

namespace q9xz {

std::function<void()> make_update_command(Toolkit& toolkit) {
    return [&toolkit] { run_update_command(toolkit, program_version()); };
}

} // namespace q9xz
