#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q9xz {

// The program's string table (ids 1017 to 1027, and 1029) for toolkits without Windows resources;
// the texts are those of resources/strings.h.
std::string_view string_table_text(int id);

// What loading `id` into a buffer of `buffer_size` bytes gives: the text cut to leave room for
// the terminating zero; empty for an unknown id or a buffer of 0 bytes.
std::string load_table_string(int id, std::size_t buffer_size);

} // namespace q9xz
