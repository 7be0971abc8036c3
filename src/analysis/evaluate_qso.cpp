#include "analysis/evaluate_qso.h"

#include "adif/tag_scan.h"
#include "analysis/tables.h"
#include "common/local_time.h"
#include "common/text.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace q9xz {

namespace {

std::string_view value_of(const AdifField* field) {
    return field != nullptr ? c_text(field->value) : std::string_view{};
}

std::string format_line(const char* format, std::string_view text) {
    char buffer[LIST_LINE_BUFFER];
    const std::string copy(text);
    std::snprintf(buffer, sizeof buffer, format, copy.c_str());
    return buffer;
}

std::string_view trim_trailing_blanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return trim_trailing_blanks(text);
}

// A QSL flag that counts as confirmed: the value starts with Y or V in either case.
bool confirms(const AdifField* field) {
    if (field == nullptr)
        return false;
    const std::string_view value = c_text(field->value);
    if (value.empty())
        return false;
    const char first = ascii_upper(value.front());
    return first == 'Y' || first == 'V';
}

// Whether the contact was confirmed via LoTW.
bool is_confirmed(const AdifRecord& record, const LogHeader& header) {
    if (confirms(record.find("LOTW_QSL_RCVD")))
        return true;
    // LoTW's own reports carry the confirmation in QSL_RCVD; elsewhere it means a paper card.
    return header.program_id && equals_ignore_case(c_text(*header.program_id), "LoTW") &&
           confirms(record.find("QSL_RCVD"));
}

// The state text a record names for a call-area digit, following the log's conventions.
std::optional<std::string_view> state_for_digit(const AdifRecord& record, std::int32_t date,
                                                int digit, const LogHeader& header) {
    // The station operated from Washington, DC in the first week of October.
    if (date >= 20141001 && date <= 20141007 && digit == 3)
        return std::string_view("DC");
    if (const AdifField* state = record.find("STATE"))
        return c_text(state->value);
    if (const AdifField* name = record.find("NAME")) {
        const std::string_view trimmed = trim_blanks(c_text(name->value));
        if (trimmed.size() == 2)
            return trimmed;
        return std::nullopt;
    }
    // ADIFMaster exports keep the state in COMMENT.
    if (header.program_id && equals_ignore_case(c_text(*header.program_id), "ADIFMaster")) {
        if (const AdifField* comment = record.find("COMMENT"))
            return c_text(comment->value);
    }
    return std::nullopt;
}

// Whether a QSO_DATE value is plainly of another year than 2014: eight digits that end the
// value or are followed by a non-digit, not starting with 2014. Most contacts of a log are
// passed over by this look, without reading the value as a number.
bool plainly_not_2014(std::string_view date) {
    if (date.size() < 8 || (date.size() > 8 && date[8] >= '0' && date[8] <= '9'))
        return false;
    std::uint64_t word;
    std::memcpy(&word, date.data(), 8);
    using tag_scan::portable::HIGHS;
    using tag_scan::portable::ONES;
    // A byte below '0' borrows in the first test, a byte above '9' carries in the second.
    const bool digits = (((word - ONES * '0') | (word + ONES * (0x7F - '9'))) & HIGHS) == 0;
    return digits && date.substr(0, 4) != "2014";
}

} // namespace

std::int32_t evaluate_QSO(const AdifRecord& record, StateTally& tally,
                          const ConvertOptions& options, const LogHeader& header,
                          MessageLists& lists, LocalDayCache& days) {
    if (record.call == nullptr || record.qso_date == nullptr ||
        plainly_not_2014(record.qso_date->value))
        return 0;
    const std::string_view call = value_of(record.call);
    const std::int32_t date = leading_number(value_of(record.qso_date));
    if (date / 10000 != 2014)
        return 0;
    if (call.find("Q9XZ") == std::string_view::npos)
        return 0;

    auto reject = [&](std::string_view message) {
        report_problem(lists, &record, message);
        return 1;
    };

    const std::size_t slash = call.find('/');
    if (slash == std::string_view::npos)
        return reject("Not a valid callsign.");
    const std::string_view suffix = call.substr(slash);
    int digit = -1;
    std::optional<std::string_view> state;
    if (suffix.size() == 2) {
        if (suffix[1] < '0' || suffix[1] > '9')
            return reject("Not a valid callsign.");
        digit = suffix[1] - '0';
        state = state_for_digit(record, date, digit, header);
    } else if (suffix.size() == 4) {
        state = prefix_state(suffix.substr(1));
        if (!state)
            return reject("Not a valid callsign.");
    } else {
        return reject("Not a valid callsign.");
    }
    if (!state)
        return reject("STATE is not defined!");
    if (record.time_on == nullptr)
        return reject("TIME_ON is not defined!");
    if (record.band == nullptr)
        return reject("BAND is not defined!");
    if (record.mode == nullptr)
        return reject("MODE is not defined!");

    const std::optional<int> band = band_index(value_of(record.band));
    if (!band)
        return reject(format_line("Unrecognized BAND %s", value_of(record.band)));
    const ModeColumn mode = mode_class(value_of(record.mode));

    const std::string_view state_text = trim_trailing_blanks(*state);
    StateEntry* entry = find_state(tally, state_text);
    if (entry == nullptr)
        return reject(format_line("[%s] is not a state", state_text));

    if (digit >= 0 && !state_in_call_area(state_text, digit) &&
        !(digit == 3 && state_text == "DC")) {
        report_problem(lists, &record,
                       format_line("[%s] is not likely for this call area.", state_text));
    }

    const bool confirmed = options.choice == Choice::LOTW && is_confirmed(record, header);
    const std::int64_t time = QSO_time(record, days);
    std::int64_t& by_mode = mark(*entry, *band, mode);
    by_mode = choose_mark(by_mode, time, options.choice, confirmed);
    std::int64_t& all_modes = mark(*entry, *band, MIX);
    all_modes = choose_mark(all_modes, time, options.choice, confirmed);
    return 0;
}

namespace {

LocalFields contact_fields(const AdifRecord& record) {
    const std::int32_t date = leading_number(value_of(record.qso_date));
    const std::string_view time_text = value_of(record.time_on);
    std::int32_t time = leading_number(time_text);
    LocalFields fields;
    fields.day = date % 100;
    fields.month = (date / 100) % 100;
    fields.year = date / 10000;
    // Four digits are hours and minutes; six add the seconds.
    if (time_text.size() == 6) {
        fields.second = time % 100;
        time /= 100;
    }
    fields.minute = time % 100;
    fields.hour = time / 100;
    return fields;
}

// A TIME_ON far out of range can land a contact on 0 or -1, which a slot would read as "not
// worked" or "confirmed"; a second's shift keeps it a dated contact.
std::int64_t dated(std::int64_t seconds) {
    if (seconds == MARK_NONE)
        return 1;
    if (seconds == MARK_CONFIRMED)
        return -2;
    return seconds;
}

} // namespace

std::int64_t QSO_time(const AdifRecord& record, LocalDayCache& days) {
    return dated(days.make_local_time(contact_fields(record)));
}

std::int64_t choose_mark(std::int64_t current, std::int64_t time, Choice choice, bool confirmed) {
    if (current == MARK_CONFIRMED)
        return current;
    if (confirmed)
        return MARK_CONFIRMED;
    if (current == MARK_NONE)
        return time;
    if (choice == Choice::FIRST && time < current)
        return time;
    if (choice == Choice::LAST && time > current)
        return time;
    return current;
}

void report_problem(MessageLists& lists, const AdifRecord* record, std::string_view message) {
    if (record == nullptr) {
        add_problem_line(lists, lists.problem_prefix + std::string(c_text(message)));
        return;
    }
    char buffer[LIST_LINE_BUFFER];
    const std::string call(value_of(record->call));
    const std::string date(value_of(record->qso_date));
    const std::string time(value_of(record->time_on));
    const std::string text(c_text(message));
    std::snprintf(buffer, sizeof buffer, "%s on %s at %s: %s", call.c_str(), date.c_str(),
                  time.c_str(), text.c_str());
    add_problem_line(lists, lists.problem_prefix + buffer);
}

} // namespace q9xz
