#include "adif/parse_adif.h"

#include "adif/tag_scan.h"
#include "common/text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace q9xz {

namespace {

// The most of the reader's memory one record holds; past it the record copies its fields into
// its own storage, so that the reader always has room to read on.
constexpr std::size_t MAX_BORROWED = 256u << 10;

// After an end tag, or where a record is dropped, the rest of the line, from `pos` in `text`
// (whose end is that of the reader's last read), is read again by the next call. Text without
// a "<" holds nothing to read, so it is let go at once.
void read_rest_again(LineReader& input, std::string_view text, std::size_t pos) {
    if (text.find('<', pos) != std::string_view::npos)
        input.unread_last(std::min(text.size() - pos, input.last_size()));
}

// Finds the first ":", ">" or NUL at or after `pos`, or text.size() when there is none. The
// text is the reader's line or the record's copy, both followed by readable padding.
std::size_t find_name_end(std::string_view text, std::size_t pos) {
    while (pos < text.size()) {
        const std::size_t stop = tag_scan::name_stop(text.data() + pos);
        pos += stop;
        if (stop < tag_scan::BLOCK)
            break;
    }
    return pos < text.size() ? pos : text.size();
}

// Upper-cases a-z in the `size` bytes at `name`, which lie in the record's copy: the padding
// after it lets every block be written back whole.
void upper_case_name(char* name, std::size_t size) {
    for (; size > tag_scan::BLOCK; name += tag_scan::BLOCK, size -= tag_scan::BLOCK)
        tag_scan::upper_case(name, tag_scan::BLOCK);
    tag_scan::upper_case(name, size);
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

// The length of a plain tag, "DIGITS>" or "DIGITS:T>" (a one-letter data type) at `digits`
// (just after the name's ":"), in a text of `size` bytes with padding after it: at most nine
// digits, the ">" and a value that ends within the text and is no longer than `max_length`.
// Sets the length and where the value ends.
inline bool read_plain_length(const char* text, std::size_t size, const char* digits,
                              std::size_t max_length, std::size_t& length, std::size_t& value_end) {
    constexpr std::size_t SHORT_NUMBER = 9; // digits that cannot overflow 32 bits
    auto digit = [digits](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(digits[i])) - std::size_t{'0'};
    };
    length = digit(0);
    if (length > 9)
        return false;
    std::size_t i = 1;
    if (const std::size_t second = digit(1); second <= 9) {
        length = length * 10 + second;
        // Three digits and more: a value of a hundred characters or longer.
        for (i = 2; digit(i) <= 9; ++i) {
            if (i == SHORT_NUMBER)
                return false;
            length = length * 10 + digit(i);
        }
    }
    if (digits[i] != '>') {
        // The type ends at the first ">", as the general way reads it.
        if (digits[i] != ':' || digits[i + 1] == '>' || digits[i + 2] != '>')
            return false;
        i += 2;
    }
    // The value starts at most some thirty bytes past the text, so the sum cannot overflow.
    value_end = static_cast<std::size_t>(digits + i + 1 - text) + length;
    return !((value_end > size) | (length > max_length));
}

// Where read_plain_fields() stopped, and why.
struct PlainStop {
    enum Kind : std::uint8_t {
        TEXT_END,   // the end of the text
        GENERAL,    // a "<" whose tag the general way reads, at `pos`
        RECORD_END, // an "EOR" tag, ending at `pos`
        TOO_LARGE,  // the record took no more; its field's value ends at `pos`
    } kind;
    std::size_t pos = 0;
};

// Reads plain fields, "<NAME:DIGITS>" and a value that ends on the line, from `pos` on in the
// line `text` of `size` bytes (the reader's line or the record's copy, both with readable bytes
// after them, the first of which is zero), with the few steps such a tag needs. Names are
// upper-cased in place. In the reader's own line (`Borrowed`) a name is written only when it
// holds a lower-case letter.
template <bool Borrowed>
[[gnu::noinline]] PlainStop
read_plain_fields(char* text, std::size_t size, std::size_t pos, AdifRecord& record,
                  std::optional<std::string>& message, std::size_t max_length) {
    for (;;) {
        // After a value mostly comes a blank and the next tag. The zero after the text stops
        // both looks at its end.
        if (text[pos] != '<') {
            if (text[pos] != '\0' && text[pos + 1] == '<')
                ++pos;
            else if ((pos = next_tag(std::string_view(text, size), pos)) == std::string_view::npos)
                return {PlainStop::TEXT_END};
        }
        char* name = text + pos + 1;
        // The zero after the text ends every name within it, and the letters upper-cased lie
        // before the name's end. Upper-casing a name the general way then reads is harmless: it
        // does the same.
        tag_scan::ScannedName scanned;
        if constexpr (Borrowed) {
            scanned = tag_scan::scan_name(name);
            // Most logs write their names in capitals; the others are upper-cased here.
            if (scanned.lower)
                scanned = tag_scan::scan_and_upper_case(name);
        } else {
            scanned = tag_scan::scan_and_upper_case(name);
        }
        const auto [name_size, key, colon, lower] = scanned;
        if (!colon) {
            if (name_size == 3 && name[3] == '>' && key == name_key("EOR"))
                return {PlainStop::RECORD_END, pos + 5};
            return {PlainStop::GENERAL, pos};
        }
        std::size_t length = 0;
        std::size_t value_end = 0;
        if (!read_plain_length(text, size, name + name_size + 1, max_length, length, value_end))
            return {PlainStop::GENERAL, pos};
        record.take_field(std::string_view(name, name_size),
                          std::string_view(text + value_end - length, length),
                          static_cast<std::int32_t>(length), key, message);
        if (record.too_large()) [[unlikely]]
            return {PlainStop::TOO_LARGE, value_end};
        pos = value_end;
    }
}

// Ends the call where read_plain_fields() stopped in `text`, with the status it returns; false
// at a tag the general way reads, where the call goes on.
inline bool ends_call(LineReader& input, std::string_view text, PlainStop stop,
                      AdifStatus& status) {
    switch (stop.kind) {
    case PlainStop::TEXT_END:
        status = ADIF_LINE_DONE;
        return true;
    case PlainStop::RECORD_END:
        read_rest_again(input, text, stop.pos);
        status = ADIF_RECORD_END;
        return true;
    case PlainStop::TOO_LARGE:
        read_rest_again(input, text, stop.pos);
        status = ADIF_LINE_DONE;
        return true;
    case PlainStop::GENERAL:
        break;
    }
    return false;
}

// The reader's next line, with the record's borrowed lines followed wherever the read moved
// them.
inline std::string_view next_line(LineReader& input, AdifRecord* record) {
    const std::string_view line = input.read_line();
    if (record != nullptr)
        record->follow_move(input.moved_by());
    return line;
}

// The record copies its fields into its own memory, and the reader lets go of the lines it held
// for it.
void let_go_of_lines(LineReader& input, AdifRecord& record) {
    record.compact();
    input.release();
}

// Reads the value of `length` characters from `start` in `text` for a dropped record: the lines
// it goes on over are read and let go. Returns where reading goes on in `text`, which is then
// the reader's last line; npos when the input ended first.
std::size_t skip_value(LineReader& input, std::string_view& text, std::size_t start,
                       std::size_t length) {
    std::size_t missing = length - (text.size() - start);
    for (;;) {
        const std::string_view next = input.read_line();
        if (next.empty())
            return std::string_view::npos;
        if (next.size() >= missing) {
            text = next;
            return missing;
        }
        missing -= next.size();
    }
}

// The general way through the rest of a line, from `pos` in `text`: the reader's line, or the
// record's copy of it from its first tag on (`own_text`). It takes every tag the short path
// leaves, values that go on over line ends, and the tags of a dropped record.
AdifStatus read_tags(LineReader& input, std::string_view text, char* own_text, std::size_t pos,
                     std::unique_ptr<AdifRecord>& record, std::optional<std::string>& message,
                     RecordPool& pool) {
    // While a value continues over line ends, its text and the lines after it are collected in
    // `joined`, and copied into the record when the value is complete.
    std::string joined;
    bool made_record = false; // this call made the record, which holds no field yet

    for (;;) {
        const bool dropping = record && record->dropped();
        if (own_text != nullptr && !dropping) {
            const PlainStop stop = read_plain_fields<false>(own_text, text.size(), pos, *record,
                                                            message, input.max_line());
            if (AdifStatus status; ends_call(input, text, stop, status))
                return status;
            pos = stop.pos;
        }
        std::size_t open = next_tag(text, pos);
        if (open == std::string_view::npos)
            return ADIF_LINE_DONE;
        // The name runs to the first ":" or ">"; as a C text it ends at a NUL byte.
        std::size_t name_end = find_name_end(text, open + 1);
        std::size_t name_stop = std::string_view::npos;
        while (name_end < text.size() && text[name_end] == '\0') {
            if (name_stop == std::string_view::npos)
                name_stop = name_end;
            name_end = find_name_end(text, name_end + 1);
        }
        std::int32_t length = -1;
        std::size_t close = name_end;
        if (name_end < text.size() && text[name_end] == ':') {
            // Blanks, signs, long numbers and data types: all that read_plain_length() leaves.
            length = leading_number(text.substr(name_end + 1));
            close = text.find('>', name_end + 1);
        }
        if (close >= text.size()) {
            // The tag is not closed in the text read. In a piece of a longer line it goes on in
            // the next piece, and is read again from its "<". A tag not closed within a whole
            // piece is none, and no later "<" of the piece closes there either: the rest of the
            // piece is stray text. At a line's end the rest is not data.
            if (!input.continues())
                return ADIF_LINE_DONE;
            if (text.size() - open < input.last_size())
                input.unread_last(text.size() - open);
            return ADIF_LINE_DONE;
        }
        if (name_stop == std::string_view::npos)
            name_stop = name_end;
        std::size_t value_start = close + 1;
        pos = value_start;

        if (length < 0) {
            const std::string_view raw_name = text.substr(open + 1, name_stop - open - 1);
            if (is_tag(raw_name, "EOH") || is_tag(raw_name, "EOR")) {
                read_rest_again(input, text, value_start);
                return is_tag(raw_name, "EOH") ? ADIF_HEADER_END : ADIF_RECORD_END;
            }
            continue; // a tag without a value, such as a word in the header's free text
        }
        if (static_cast<std::size_t>(length) > input.max_line()) {
            // Not believed: no bytes are taken for it, and the record is dropped.
            if (dropping)
                continue;
            if (!record)
                record = pool.take_record();
            record->set_too_large();
            read_rest_again(input, text, value_start);
            return ADIF_LINE_DONE;
        }
        if (dropping) {
            if (text.size() - value_start < static_cast<std::size_t>(length)) {
                pos = skip_value(input, text, value_start, static_cast<std::size_t>(length));
                if (pos == std::string_view::npos)
                    return ADIF_END_OF_FILE;
                own_text = nullptr;
            } else {
                pos = value_start + static_cast<std::size_t>(length);
            }
            continue;
        }

        if (!record) {
            record = pool.take_record();
            made_record = true;
        }
        if (own_text == nullptr) {
            // The rest of the line, from this tag on, becomes the record's.
            own_text = record->memory().copy_text(text.substr(open));
            text = std::string_view(own_text, text.size() - open);
            name_stop -= open;
            value_start -= open;
            open = 0;
        }
        const std::size_t name_size = name_stop - open - 1;
        char* name = own_text + open + 1;
        upper_case_name(name, name_size);
        std::string_view field_name(name, name_size);

        if (text.size() - value_start < static_cast<std::size_t>(length)) {
            // The value continues over line ends; each line end counts as one character.
            const std::string name_copy(field_name);
            joined.assign(text.substr(value_start));
            // The lines read for the value are not the record's: its fields move into its own
            // memory, so that the reader need not hold every line of a long value as well. The
            // copies of earlier pieces go too: a line of repeats whose values keep running over
            // its pieces' ends would otherwise leave a copy of every piece in the record.
            if (record->borrowed_begin() != nullptr || record->wants_compacting())
                let_go_of_lines(input, *record);
            while (joined.size() < static_cast<std::size_t>(length)) {
                const std::string_view next = next_line(input, record.get());
                if (next.empty()) {
                    // The unfinished field is dropped; a record it would have begun is not made.
                    if (made_record)
                        pool.recycle(std::move(record));
                    return ADIF_END_OF_FILE;
                }
                joined.append(next);
            }
            own_text = record->memory().copy_text(joined);
            text = std::string_view(own_text, joined.size());
            value_start = 0;
            field_name = std::string_view(record->memory().copy_text(name_copy), name_copy.size());
        }

        AdifField* field = record->new_field(
            field_name, text.substr(value_start, static_cast<std::size_t>(length)), length);
        record->add_field(field, padded_name_key(field->name), message);
        made_record = false;
        pos = value_start + static_cast<std::size_t>(length);
        if (record->too_large()) {
            read_rest_again(input, text, pos);
            return ADIF_LINE_DONE;
        }
    }
}

// Reads one line, or one piece of a longer one. Its plain fields are read where the reader
// holds the line, which it keeps for the record; the general way copies the rest of the line
// from its first other tag on into the record.
[[gnu::always_inline]] inline AdifStatus read_line(LineReader& input,
                                                   std::unique_ptr<AdifRecord>& record,
                                                   std::optional<std::string>& message,
                                                   RecordPool& pool) {
    if (!record || record->dropped()) {
        // The record that held lines has been handed on, or let go.
        input.release();
    } else if (input.held() > MAX_BORROWED || record->wants_compacting()) {
        let_go_of_lines(input, *record);
    }
    const std::string_view line = next_line(input, record.get());
    if (line.empty())
        return ADIF_END_OF_FILE;
    if (record && record->dropped())
        return read_tags(input, line, nullptr, 0, record, message, pool);
    const std::size_t first = next_tag(line, 0);
    if (first == std::string_view::npos)
        return ADIF_LINE_DONE;
    // Names are upper-cased in the reader's line. A record made for a line that turns out to
    // give it no field is not kept.
    const bool made = !record;
    if (made)
        record = pool.take_record();
    const std::size_t fields_before = record->fields_read();
    const std::size_t size = line.size() - first;
    char* text = input.last_line() + first;
    const PlainStop stop =
        read_plain_fields<true>(text, size, 0, *record, message, input.max_line());
    if (record->fields_read() != fields_before) {
        if (record->borrowed_begin() == nullptr)
            input.hold(text);
        record->borrow(text, text + size);
    } else if (made && !record->too_large()) {
        pool.recycle(std::move(record));
    }
    if (AdifStatus status; ends_call(input, std::string_view(text, size), stop, status))
        return status;
    return read_tags(input, line, nullptr, first + stop.pos, record, message, pool);
}

} // namespace

AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message, RecordPool& pool) {
    for (;;) {
        const AdifStatus status = read_line(input, record, message, pool);
        // A line that leaves the caller nothing to act on, or a piece of a line, is not
        // returned from: the call reads on.
        if (status != ADIF_LINE_DONE || (record && record->too_large()))
            return status;
        if (message && !input.continues())
            return status;
    }
}

} // namespace q9xz
