#include "adif/parse_adif.h"

#include "adif/field_pool.h"
#include "common/text.h"

#include <array>
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

// What the scan of a tag name needs to know of a byte: whether it ends the name (":" and ">"
// end it, a NUL ends it as a C text) and whether it is a lower-case letter.
constexpr unsigned char NAME_STOP = 1;
constexpr unsigned char LOWER = 2;
constexpr std::array<unsigned char, 256> NAME_BYTES = [] {
    std::array<unsigned char, 256> bytes{};
    bytes[':'] = bytes['>'] = bytes[0] = NAME_STOP;
    for (int c = 'a'; c <= 'z'; ++c)
        bytes[c] = LOWER;
    return bytes;
}();

// Copies a tag name into the (reused) text of a field, upper-cased when it has lower case.
void set_name(std::string& name, std::string_view raw, bool has_lower) {
    name.clear();
    name.append(raw);
    if (has_lower)
        for (char& c : name)
            c = ascii_upper(c);
}

// A tag name that, upper-cased, equals `upper` (which holds no lower-case letters).
bool is_tag(std::string_view name, std::string_view upper) {
    if (name.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (ascii_upper(name[i]) != upper[i])
            return false;
    return true;
}

// The next "<" at or after `pos`. Tags mostly follow a value after a blank or two, so the
// first bytes are looked at before the search is handed to memchr.
std::size_t next_tag(std::string_view text, std::size_t pos) {
    for (std::size_t end = pos + 4 < text.size() ? pos + 4 : text.size(); pos < end; ++pos)
        if (text[pos] == '<')
            return pos;
    return text.find('<', pos);
}

// Reads the length that starts at `start` (after the ":") and returns the position of the
// ">" that closes the tag, or npos. The usual plain digits followed by ">" are read here; all
// else, such as blanks, signs, long numbers or a data type, goes the general way.
std::size_t read_length(std::string_view text, std::size_t start, std::int32_t& length) {
    constexpr std::size_t SHORT_NUMBER = 9; // digits that cannot overflow 32 bits
    std::size_t i = start;
    std::int32_t value = 0;
    while (i < text.size() && i - start < SHORT_NUMBER && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    if (i > start && i < text.size() && text[i] == '>') {
        length = value;
        return i;
    }
    length = leading_number(text.substr(start));
    return text.find('>', start);
}

} // namespace

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message) {
    FieldPool pool;
    return parse_ADIF(input, record, message, pool);
}

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message, FieldPool& pool) {
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
        const std::size_t open = next_tag(text, pos);
        if (open == std::string_view::npos)
            return ADIF_LINE_DONE;
        // The name runs to the first ":" or ">"; as a C text it ends at a NUL byte.
        std::size_t name_end = open + 1;
        std::size_t name_stop = std::string_view::npos;
        unsigned char seen = 0;
        for (;; ++name_end) {
            for (; name_end < text.size(); ++name_end) {
                const unsigned char kind = NAME_BYTES[static_cast<unsigned char>(text[name_end])];
                if (kind & NAME_STOP)
                    break;
                seen |= kind;
            }
            if (name_end == text.size() || text[name_end] != '\0')
                break;
            if (name_stop == std::string_view::npos)
                name_stop = name_end;
        }
        if (name_end == text.size())
            return ADIF_LINE_DONE; // an unclosed tag: the rest of the line is not data
        if (name_stop == std::string_view::npos)
            name_stop = name_end;
        const std::string_view raw_name = text.substr(open + 1, name_stop - open - 1);

        std::int32_t length = -1;
        std::size_t close = name_end;
        if (text[name_end] == ':') {
            close = read_length(text, name_end + 1, length);
            if (close == std::string_view::npos)
                return ADIF_LINE_DONE;
        }
        std::size_t value_start = close + 1;
        pos = value_start;

        if (length < 0) {
            if (is_tag(raw_name, "EOH"))
                return ADIF_HEADER_END;
            if (is_tag(raw_name, "EOR"))
                return ADIF_RECORD_END;
            continue; // a tag without a value, such as a word in the header's free text
        }
        if (static_cast<std::size_t>(length) > input.max_line()) {
            message = truncated_message(head.empty() ? line : std::string_view(head));
            return ADIF_TRUNCATED_LINE;
        }

        // The name is copied now: the text it lies in may be replaced below.
        std::unique_ptr<AdifField> field = pool.take_field();
        set_name(field->name, raw_name, (seen & LOWER) != 0);

        while (text.size() - value_start < static_cast<std::size_t>(length)) {
            if (head.empty())
                head.assign(line.substr(0, QUOTE_LIMIT));
            if (text.data() == joined.data()) {
                joined.erase(0, value_start);
            } else {
                joined.assign(text.substr(value_start));
            }
            const std::string_view next = input.read_line();
            if (next.empty()) {
                pool.give_back(std::move(field));
                return ADIF_END_OF_FILE; // the unfinished field is dropped
            }
            if (head.size() < QUOTE_LIMIT)
                head.append(next.substr(0, QUOTE_LIMIT - head.size()));
            joined.append(next);
            text = joined;
            value_start = 0;
        }

        field->value.clear();
        field->value.append(text.substr(value_start, static_cast<std::size_t>(length)));
        field->length = length;
        const AdifField* stored = field.get();
        if (!record)
            record = pool.take_record();
        std::unique_ptr<AdifField> rejected;
        record->fields =
            insert_field(std::move(record->fields), std::move(field), message, rejected);
        if (const AdifField** slot = slot_for(*record, stored->name)) {
            *slot = stored;
            if (rejected)
                record->repeated.push_back(std::move(rejected));
        }
        if (rejected)
            pool.give_back(std::move(rejected));
        pos = value_start + static_cast<std::size_t>(length);
    }
}

} // namespace q9xz
