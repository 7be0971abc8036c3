#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace q9xz {

// The settings and running results of conversions. One instance lives for the whole process;
// the window (or the command-line converter) owns it and hands it to every call that needs it.
struct ConvertOptions {
    std::int32_t lotw = 0; // LoTW choice: a slot becomes MARK_CONFIRMED once a contact is confirmed
    std::int32_t first = 0;                // First choice: each slot keeps its earliest contact
    std::int32_t last = 1;                 // Last choice: each slot keeps its latest contact
    std::optional<std::string> program_id; // PROGRAMID of the log's header, when it had one
    std::int32_t lotw_confirmed_count = 0; // "LOTW" cells written by the last spreadsheet
    std::int32_t converted = 0;            // a spreadsheet was written since the files were chosen
    std::int32_t qso_confirmed = 0;        // the contact being marked was confirmed via LoTW
};

enum class Choice { First, Last, LoTW };

// Sets one of the three choices and clears the other two: exactly one is ever set.
inline void set_choice(ConvertOptions& options, Choice choice) {
    options.first = choice == Choice::First ? 1 : 0;
    options.last = choice == Choice::Last ? 1 : 0;
    options.lotw = choice == Choice::LoTW ? 1 : 0;
}

} // namespace q9xz
