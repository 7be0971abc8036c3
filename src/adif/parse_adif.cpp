#include "adif/parse_adif.h"

#include "common/text.h"

#include <cstring>

namespace q9xz {

namespace {

// Truncated-line messages quote at most this much of the text.
constexpr std::size_t QUOTE_LIMIT = 2047;

bool has_line_end(std::string_view text) {
    return std::memchr(text.data(), '\n', text.size()) != nullptr ||
           std::memchr(text.data(), '\r', text.size()) != nullptr;
}

std::string truncated_message(std::string_view text) {
    std::string message = "ERROR: Truncated input line: ";
    message += text.substr(0, QUOTE_LIMIT);
    return message;
}

// The record slot a field name fills, or nullptr.
const AdifField** slot_for(AdifRecord& record, std::string_view name) {
    switch (name.size()) {
    case 4:
        if (name == "CALL")
            return &record.call;
        if (name == "BAND")
            return &record.band;
        if (name == "DXCC")
            return &record.dxcc;
        if (name == "MODE")
            return &record.mode;
        break;
    case 7:
        if (name == "TIME_ON")
            return &record.time_on;
        break;
    case 8:
        if (name == "QSO_DATE")
            return &record.qso_date;
        break;
    }
    return nullptr;
}

} // namespace

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message) {
    const std::string_view line = input.read_line();
    if (line.empty())
        return ADIF_END_OF_FILE;
    if (line.size() >= input.max_line() && !has_line_end(line)) {
        message = truncated_message(line);
        return ADIF_TRUNCATED_LINE;
    }

    // `text` is the line until a value continues over line ends; from then on it is `joined`,
    // which holds the value's text and the lines read after it.
    std::string_view text = line;
    std::string joined;
    std::string head; // the first characters this call read, kept once `line` is gone
    std::size_t pos = 0;

    for (;;) {
        const std::size_t open = text.find('<', pos);
        if (open == std::string_view::npos)
            return ADIF_LINE_DONE;
        const std::size_t name_end = text.find_first_of(":>", open + 1);
        if (name_end == std::string_view::npos)
            return ADIF_LINE_DONE; // an unclosed tag: the rest of the line is not data
        std::string name(c_text(text.substr(open + 1, name_end - open - 1)));
        upper_case_ascii(name);

        std::int32_t length = -1;
        std::size_t close = name_end;
        if (text[name_end] == ':') {
            length = leading_number(text.substr(name_end + 1));
            close = text.find('>', name_end + 1);
            if (close == std::string_view::npos)
                return ADIF_LINE_DONE;
        }
        std::size_t value_start = close + 1;
        pos = value_start;

        if (length < 0) {
            if (name == "EOH")
                return ADIF_HEADER_END;
            if (name == "EOR")
                return ADIF_RECORD_END;
            continue; // a tag without a value, such as a word in the header's free text
        }
        if (static_cast<std::size_t>(length) > input.max_line()) {
            message = truncated_message(head.empty() ? line : std::string_view(head));
            return ADIF_TRUNCATED_LINE;
        }

        while (text.size() - value_start < static_cast<std::size_t>(length)) {
            if (head.empty())
                head.assign(line.substr(0, QUOTE_LIMIT));
            if (text.data() == joined.data()) {
                joined.erase(0, value_start);
            } else {
                joined.assign(text.substr(value_start));
            }
            const std::string_view next = input.read_line();
            if (next.empty())
                return ADIF_END_OF_FILE; // the unfinished field is dropped
            if (head.size() < QUOTE_LIMIT)
                head.append(next.substr(0, QUOTE_LIMIT - head.size()));
            joined.append(next);
            text = joined;
            value_start = 0;
        }

        auto field = std::make_unique<AdifField>();
        field->name = std::move(name);
        field->value.assign(text.substr(value_start, static_cast<std::size_t>(length)));
        field->length = length;
        const AdifField* stored = field.get();
        if (!record)
            record = std::make_unique<AdifRecord>();
        std::unique_ptr<AdifField> rejected;
        record->fields =
            insert_field(std::move(record->fields), std::move(field), message, rejected);
        if (const AdifField** slot = slot_for(*record, stored->name)) {
            *slot = stored;
            if (rejected)
                record->repeated.push_back(std::move(rejected));
        }
        pos = value_start + static_cast<std::size_t>(length);
    }
}

} // namespace q9xz
