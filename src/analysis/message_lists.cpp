#include "analysis/message_lists.h"

#include "common/text.h"

namespace q9xz {

void add_line(int index, MessageLists& lists, std::string_view text) {
    lists.lists.at(static_cast<std::size_t>(index)).emplace_front(c_text(text));
}

} // namespace q9xz
