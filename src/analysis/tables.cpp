#include "analysis/tables.h"

#include "common/text.h"

namespace q9xz {

namespace {

constexpr bool call_areas_are_valid() {
    for (const CallArea& area : call_area_states) {
        if (area.count > area.states.size())
            return false;
        for (std::size_t i = 0; i < area.count; ++i) {
            if (area.states[i] >= state_table.size())
                return false;
        }
    }
    return true;
}
static_assert(call_areas_are_valid());

} // namespace

std::optional<int> band_index(std::string_view band) {
    const std::int32_t wanted = leading_number(band);
    for (int i = 0; i < BAND_COUNT; ++i) {
        if (leading_number(band_names[i]) == wanted)
            return i;
    }
    return std::nullopt;
}

ModeColumn mode_class(std::string_view mode) {
    if (equals_ignore_case(mode, "CW"))
        return CW;
    for (std::string_view phone : phone_modes) {
        if (equals_ignore_case(mode, phone))
            return PH;
    }
    return DIG;
}

std::optional<std::string_view> prefix_state(std::string_view suffix) {
    for (const PortablePrefix& prefix : portable_prefixes) {
        if (suffix == prefix.suffix)
            return prefix.abbrev;
    }
    return std::nullopt;
}

int state_in_call_area(std::string_view state, int digit) {
    if (digit < 0 || digit >= static_cast<int>(call_area_states.size()))
        return 0;
    const CallArea& area = call_area_states[digit];
    for (std::size_t i = 0; i < area.count; ++i) {
        if (equals_ignore_case(state, state_table[area.states[i]].abbrev))
            return 1;
    }
    return 0;
}

} // namespace q9xz
