#include "slow_reader.h"

#include "adif/parse_adif.h"
#include "adif/record_pool.h"
#include "common/text.h"

#include <algorithm>
#include <vector>

namespace q9xz::slow {

namespace {

std::string upper_case(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = ascii_upper(c);
    return upper;
}

// Reads one line, or one piece of a longer one.
AdifStatus read_piece(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message) {
    std::string text(input.read_line()); // its end is always that of the last read
    if (text.empty())
        return ADIF_END_OF_FILE;
    const bool dropping = record && record->dropped();
    // The rest of the text from `from` on is read again by the next call, if it holds a "<".
    auto read_again = [&](std::size_t from) {
        if (text.find('<', from) != std::string::npos)
            input.unread_last(std::min(text.size() - from, input.last_size()));
    };
    bool made_record = false;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = text.find('<', pos);
        if (open == std::string::npos)
            return ADIF_LINE_DONE;
        const std::size_t name_end = text.find_first_of(":>", open + 1);
        std::int32_t length = -1;
        std::size_t close = name_end;
        if (name_end != std::string::npos && text[name_end] == ':') {
            length = leading_number(std::string_view(text).substr(name_end + 1));
            close = text.find('>', name_end + 1);
        }
        if (close == std::string::npos) {
            // Not closed: at a line's end the rest is no data; in a piece the tag is read again
            // with the next piece, unless it began the piece: then the piece's rest is no data.
            if (input.continues() && text.size() - open < input.last_size())
                input.unread_last(text.size() - open);
            return ADIF_LINE_DONE;
        }
        // As a C text the name ends at its first NUL.
        std::string raw_name = text.substr(open + 1, name_end - open - 1);
        raw_name = raw_name.substr(0, raw_name.find('\0'));
        const std::size_t value_start = close + 1;
        pos = value_start;
        const std::string name = upper_case(raw_name);
        if (length < 0) {
            if (name == "EOH" || name == "EOR") {
                read_again(value_start);
                return name == "EOH" ? ADIF_HEADER_END : ADIF_RECORD_END;
            }
            continue;
        }
        const auto size = static_cast<std::size_t>(length);
        if (size > input.max_line()) {
            if (dropping)
                continue;
            if (!record)
                record = std::make_unique<AdifRecord>();
            record->set_too_large();
            read_again(value_start);
            return ADIF_LINE_DONE;
        }
        if (dropping) {
            // Values are skipped by their lengths, over lines if need be.
            std::size_t missing = size - std::min(size, text.size() - value_start);
            pos = value_start + size;
            while (missing > 0) {
                text = input.read_line();
                if (text.empty())
                    return ADIF_END_OF_FILE;
                pos = std::min(missing, text.size());
                missing -= pos;
            }
            continue;
        }
        if (!record) {
            record = std::make_unique<AdifRecord>();
            made_record = true;
        }
        std::size_t value_at = value_start;
        if (text.size() - value_start < size) {
            text = text.substr(value_start);
            value_at = 0;
            while (text.size() < size) {
                const std::string_view next = input.read_line();
                if (next.empty()) {
                    if (made_record)
                        record.reset();
                    return ADIF_END_OF_FILE;
                }
                text += next;
            }
        }
        RecordArena& memory = record->memory();
        const char* stored_name = memory.copy_text(name);
        const char* stored_value = memory.copy_text(std::string_view(text).substr(value_at, size));
        AdifField* field = record->new_field(std::string_view(stored_name, name.size()),
                                             std::string_view(stored_value, size), length);
        record->add_field(field, name_key(field->name), message);
        made_record = false;
        pos = value_at + size;
        if (record->too_large()) {
            read_again(pos);
            return ADIF_LINE_DONE;
        }
    }
}

} // namespace

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message) {
    for (;;) {
        const AdifStatus status = read_piece(input, record, message);
        // A line read in pieces is one stretch of reading.
        if (status != ADIF_LINE_DONE || !input.continues() || (record && record->too_large()))
            return status;
    }
}

namespace {

// The record as the rest of the program sees it: its tree in order and its six slots.
std::string describe(const AdifRecord* record) {
    if (record == nullptr)
        return "no record";
    std::string text = record->dropped() ? "dropped " : "";
    if (record->too_large())
        text += "too large ";
    text += std::to_string(record->fields_read()) + " read: ";
    auto field_text = [](const AdifField* field) {
        if (field == nullptr)
            return std::string("-");
        return std::string(field->name) + ":" + std::to_string(field->length) + ">" +
               std::string(field->value);
    };
    std::vector<const AdifField*> stack;
    for (const AdifField* node = record->fields(); node != nullptr || !stack.empty();) {
        if (node != nullptr) {
            stack.push_back(node);
            node = node->left;
            continue;
        }
        node = stack.back();
        stack.pop_back();
        text += field_text(node) + " | ";
        node = node->right;
    }
    for (const AdifField* slot : {record->call, record->dxcc, record->qso_date, record->time_on,
                                  record->band, record->mode})
        text += " [" + field_text(slot) + "]";
    return text;
}

} // namespace

std::optional<std::string> first_difference(std::string_view log, std::size_t max_line) {
    LineReader fast_input{std::string(log), max_line};
    LineReader slow_input{std::string(log), max_line};
    RecordPool pool;
    std::unique_ptr<AdifRecord> fast_record;
    std::unique_ptr<AdifRecord> slow_record;
    // Every call reads at least one byte, so this many calls reach the end.
    for (std::size_t call = 0; call <= log.size() + 1; ++call) {
        std::optional<std::string> fast_message;
        std::optional<std::string> slow_message;
        const AdifStatus fast = q9xz::parse_ADIF(fast_input, fast_record, fast_message, pool);
        // The real reader reads on over lines that leave its caller nothing to act on; the slow
        // one reads a line a call, and must reach the same place with nothing to act on first.
        AdifStatus slow = slow::parse_ADIF(slow_input, slow_record, slow_message);
        while (slow == ADIF_LINE_DONE && !slow_message &&
               !(slow_record && slow_record->too_large()) &&
               (slow_input.position() < fast_input.position() || fast == ADIF_END_OF_FILE))
            slow = slow::parse_ADIF(slow_input, slow_record, slow_message);
        const std::string where = "call " + std::to_string(call) + ": ";
        if (fast != slow)
            return where + "status " + std::to_string(fast) + " against " + std::to_string(slow);
        if (fast_message != slow_message)
            return where + "message \"" + fast_message.value_or("") + "\" against \"" +
                   slow_message.value_or("") + "\"";
        const std::string fast_fields = describe(fast_record.get());
        const std::string slow_fields = describe(slow_record.get());
        if (fast_fields != slow_fields)
            return where + "record " + fast_fields + " against " + slow_fields;
        // As the conversion does: a record too large is dropped; a dropped header is let go.
        if (fast_record && fast_record->too_large()) {
            fast_record->drop();
            slow_record->drop();
        }
        if (fast == ADIF_RECORD_END ||
            (fast == ADIF_HEADER_END && fast_record && fast_record->dropped())) {
            pool.recycle(std::move(fast_record));
            slow_record.reset();
        }
        if (fast == ADIF_END_OF_FILE)
            return std::nullopt;
    }
    return "the readers never reached the end";
}

} // namespace q9xz::slow
