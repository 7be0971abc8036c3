#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace q9xz {

// Reading the raw response headers ("HTTP/1.1 200 OK\r\nName: value\r\n..."). Both return
// nothing when the text does not say.

// The status code of the status line.
std::optional<int> response_status(std::string_view headers);

// The value of the first Content-Length header, the name matched in any case.
std::optional<std::uint64_t> response_content_length(std::string_view headers);

} // namespace q9xz
