#include "app/string_table.h"

#include <array>
#include <utility>

namespace q9xz {
namespace {

// clang-format off
constexpr std::array<std::pair<int, std::string_view>, 13> STRING_TABLE{{
    {IDS_ABOUT_TITLE, STR_ABOUT_TITLE},
    {IDS_MAKER_NOTICE, STR_MAKER_NOTICE},
    {IDS_PROGRAM_NAME, STR_PROGRAM_NAME},
    {IDS_NOT_CONVERTED, STR_NOT_CONVERTED},
    {IDS_NO_ADIF_FILE, STR_NO_ADIF_FILE},
    {IDS_NO_BROWSER, STR_NO_BROWSER},
    {IDS_NO_CSV_FILE, STR_NO_CSV_FILE},
    {IDS_ADIF_OPEN_FAILED, STR_ADIF_OPEN_FAILED},
    {IDS_CSV_OPEN_FAILED, STR_CSV_OPEN_FAILED},
    {IDS_DONATE_URL, STR_DONATE_URL},
    {IDS_HELP_URL, STR_HELP_URL},
    {IDS_DOWNLOAD_URL, STR_DOWNLOAD_URL},
    {IDS_ADIF_READ_FAILED, STR_ADIF_READ_FAILED},
}};
// clang-format on

constexpr bool fits_its_buffer() {
    for (const auto& [id, text] : STRING_TABLE) {
        if (text.size() >= text_buffer_size(id))
            return false;
    }
    return true;
}
static_assert(fits_its_buffer(), "a string-table text is longer than the buffer it is loaded into");

} // namespace

std::string_view string_table_text(int id) {
    for (const auto& [table_id, text] : STRING_TABLE) {
        if (table_id == id)
            return text;
    }
    return {};
}

} // namespace q9xz
