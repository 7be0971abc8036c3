#include "results/csv_writer.h"

#include "common/local_time.h"

#include <array>
#include <string_view>

namespace q9xz {

namespace {

// English abbreviations whatever the user's locale: the spreadsheet must read the same anywhere.
constexpr std::array<std::string_view, 12> month_abbreviations{
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr std::array<ModeColumn, 3> row_columns{CW, DIG, PH};

void append_two_digits(std::string& out, int value) {
    out += char('0' + (value / 10) % 10);
    out += char('0' + value % 10);
}

} // namespace

std::string cell_text(std::int64_t mark) {
    if (mark == MARK_NONE)
        return {};
    if (mark == MARK_CONFIRMED)
        return "LOTW";
    LocalFields fields;
    if (!split_local_time(mark, fields) || fields.month < 1 || fields.month > 12)
        return {};
    std::string text;
    append_two_digits(text, fields.day);
    text += '-';
    text += month_abbreviations[fields.month - 1];
    return text;
}

void write_CSV_header(std::string& out) {
    out += "STATE,MODE,";
    for (std::string_view band : band_names) {
        out += ',';
        out += band;
    }
    out += "\r\n";
}

CsvCells write_CSV_rows(std::string& out, const StateTally& tally, std::int32_t selector) {
    CsvCells cells;
    for (const StateEntry& entry : tally) {
        if (entry.is_state != selector)
            continue;
        for (ModeColumn column : row_columns) {
            out += entry.name;
            out += ',';
            out += mode_names[column];
            out += ',';
            for (int band = 0; band < BAND_COUNT; ++band) {
                out += ',';
                const std::int64_t value = mark(entry, band, column);
                if (value == MARK_NONE)
                    continue;
                if (value == MARK_CONFIRMED)
                    ++cells.lotw_confirmed;
                out += cell_text(value);
                ++cells.written;
            }
            out += "\r\n";
        }
        out += "\r\n";
    }
    return cells;
}

} // namespace q9xz
