#include "slow_reader.h"

#include "adif/parse_adif.h"
#include "adif/record_pool.h"
#include "common/text.h"

#include <vector>

namespace q9xz::slow {

namespace {

constexpr std::size_t QUOTE_LIMIT = 2047;

std::string truncated(std::string_view text) {
    return "ERROR: Truncated input line: " + std::string(text.substr(0, QUOTE_LIMIT));
}

std::string upper_case(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = ascii_upper(c);
    return upper;
}

void fill_slot(AdifRecord& record, const AdifField* field) {
    const std::string_view name = field->name;
    if (name == "CALL")
        record.call = field;
    else if (name == "DXCC")
        record.dxcc = field;
    else if (name == "QSO_DATE")
        record.qso_date = field;
    else if (name == "TIME_ON")
        record.time_on = field;
    else if (name == "BAND")
        record.band = field;
    else if (name == "MODE")
        record.mode = field;
}

} // namespace

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message) {
    const std::string line(input.read_line());
    if (line.empty())
        return ADIF_END_OF_FILE;
    if (line.size() >= input.max_line() && line.find_first_of("\r\n") == std::string::npos) {
        message = truncated(line);
        return ADIF_TRUNCATED_LINE;
    }
    std::string text = line;
    std::string head; // what this call read, for a message once more lines were read
    bool made_record = false;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = text.find('<', pos);
        if (open == std::string::npos)
            return ADIF_LINE_DONE;
        const std::size_t name_end = text.find_first_of(":>", open + 1);
        if (name_end == std::string::npos)
            return ADIF_LINE_DONE;
        // As a C text the name ends at its first NUL.
        std::string raw_name = text.substr(open + 1, name_end - open - 1);
        raw_name = raw_name.substr(0, raw_name.find('\0'));
        std::int32_t length = -1;
        std::size_t close = name_end;
        if (text[name_end] == ':') {
            length = leading_number(std::string_view(text).substr(name_end + 1));
            close = text.find('>', name_end + 1);
            if (close == std::string::npos)
                return ADIF_LINE_DONE;
        }
        std::size_t value_start = close + 1;
        pos = value_start;
        const std::string name = upper_case(raw_name);
        if (length < 0) {
            if (name == "EOH")
                return ADIF_HEADER_END;
            if (name == "EOR")
                return ADIF_RECORD_END;
            continue;
        }
        const auto size = static_cast<std::size_t>(length);
        if (size > input.max_line()) {
            message = truncated(head.empty() ? line : head);
            return ADIF_TRUNCATED_LINE;
        }
        if (!record) {
            record = std::make_unique<AdifRecord>();
            made_record = true;
        }
        if (text.size() - value_start < size) {
            if (head.empty())
                head = line.substr(0, QUOTE_LIMIT);
            text = text.substr(value_start);
            value_start = 0;
            while (text.size() < size) {
                const std::string_view next = input.read_line();
                if (next.empty()) {
                    if (made_record)
                        record.reset();
                    return ADIF_END_OF_FILE;
                }
                if (head.size() < QUOTE_LIMIT)
                    head += next.substr(0, QUOTE_LIMIT - head.size());
                text += next;
            }
        }
        if (record->full()) {
            pos = value_start + size;
            continue;
        }
        RecordArena& memory = record->memory();
        const char* stored_name = memory.copy_text(name);
        const char* stored_value =
            memory.copy_text(std::string_view(text).substr(value_start, size));
        AdifField* field = record->new_field(std::string_view(stored_name, name.size()),
                                             std::string_view(stored_value, size), length);
        record->add_field(field, message);
        made_record = false;
        fill_slot(*record, field);
        pos = value_start + size;
    }
}

namespace {

// The record as the rest of the program sees it: its tree in order and its six slots.
std::string describe(const AdifRecord* record) {
    if (record == nullptr)
        return "no record";
    std::string text;
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
        if (fast == ADIF_RECORD_END) {
            pool.recycle(std::move(fast_record));
            slow_record.reset();
        }
        if (fast == ADIF_END_OF_FILE || fast == ADIF_TRUNCATED_LINE)
            return std::nullopt;
    }
    return "the readers never reached the end";
}

} // namespace q9xz::slow
