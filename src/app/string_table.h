#pragma once

#include "string_ids.h"

#include <cstddef>
#include <string_view>

namespace q9xz {

// The program's string table (ids 1017 to 1029) for toolkits without Windows resources; the
// texts are those of resources/string_ids.h. Empty for an unknown id.
std::string_view string_table_text(int id);

// The buffer, terminating zero included, that the Windows program loads the text of `id` into:
// the donation address may be twice as long as the other texts. Every text fits its buffer.
constexpr std::size_t text_buffer_size(int id) {
    return id == IDS_DONATE_URL ? 160 : 80;
}

} // namespace q9xz
