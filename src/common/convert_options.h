#pragma once

namespace q9xz {

// Which contact a slot of the tally keeps.
enum class Choice {
    FIRST, // the earliest contact
    LAST,  // the latest contact
    LOTW,  // MARK_CONFIRMED once a contact is confirmed via LoTW, else the first contact read
};

// The settings of conversions. One instance lives for the whole process; the window (or the
// command-line converter) owns it and hands it to every call that needs it.
struct ConvertOptions {
    Choice choice = Choice::LAST;
};

} // namespace q9xz
