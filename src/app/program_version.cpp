#include "app/program_version.h"

#include <sstream>

namespace q9xz {

const std::string& program_version() {
    static const std::string version = [] {
        std::istringstream words("$Revision: " Q9XZ_VERSION_TEXT " $");
        std::string keyword, second;
        words >> keyword >> second;
        return second;
    }();
    return version;
}

} // namespace q9xz
