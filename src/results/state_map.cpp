#include "results/state_map.h"

#include "common/text.h"
#include "results/state_map_layout.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace q9xz {

namespace {

// Geometry of the picture, in SVG user units (pixels at 100 %).
constexpr int MARGIN = 24;
constexpr int TILE = 50;
constexpr int PITCH = 56; // tile plus the gap between tiles
constexpr int GRID_TOP = 92;
constexpr int GRID_WIDTH = (MAP_COLUMNS - 1) * PITCH + TILE;
constexpr int GRID_HEIGHT = (MAP_ROWS - 1) * PITCH + TILE;
constexpr int SEPARATOR_Y = GRID_TOP + GRID_HEIGHT + 22;
constexpr int OTHERS_CAPTION_Y = SEPARATOR_Y + 24;
constexpr int OTHERS_TOP = OTHERS_CAPTION_Y + 14;
constexpr int WIDTH = 2 * MARGIN + GRID_WIDTH;
constexpr int HEIGHT = OTHERS_TOP + TILE + MARGIN;

struct Look {
    std::string_view name;  // the tile's data-status value
    std::string_view label; // the legend's words
    std::string_view fill;
    std::string_view stroke;
    std::string_view ink; // the abbreviation's colour
};

// Light grey, orange and dark blue: told apart with any common colour-vision deficiency (the
// orange/blue pair of the Okabe-Ito set) and, by their lightness, in grey-scale print.
constexpr std::array<Look, 3> looks{{
    {"not-worked", "Not worked", "#e6e6e6", "#b3b3b3", "#595959"},
    {"worked", "Worked", "#e69f00", "#a66f00", "#1a1a1a"},
    {"confirmed", "Confirmed (LoTW)", "#0072b2", "#004d78", "#ffffff"},
}};

const Look& look_of(MapStatus status) {
    return looks[static_cast<int>(status)];
}

std::optional<int> valid_band(std::optional<int> band) {
    if (band && *band >= 0 && *band < BAND_COUNT)
        return band;
    return std::nullopt;
}

ModeColumn valid_column(ModeColumn column) {
    return (column >= 0 && column < MODE_COLUMN_COUNT) ? column : MIX;
}

void append_escaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            // Control characters are not allowed in XML 1.0 at all.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n')
                out += c;
            else
                out += '?';
        }
    }
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

// name="value" with a leading blank.
std::string attr(std::string_view name, std::string_view value) {
    std::string out = " ";
    out += name;
    out += "=\"";
    append_escaped(out, value);
    out += '"';
    return out;
}
std::string attr(std::string_view name, int value) {
    return attr(name, std::to_string(value));
}

const StateEntry* entry_for(const std::vector<const StateEntry*>& entries,
                            std::string_view abbrev) {
    for (const StateEntry* entry : entries)
        if (entry->abbrev == abbrev)
            return entry;
    return nullptr;
}

// "Texas: confirmed on 20m, worked on 40m 15m", the tile's tool tip.
std::string tile_tip(std::string_view name, const StateEntry* entry, ModeColumn column,
                     std::optional<int> band) {
    std::string confirmed;
    std::string worked;
    for (int b = 0; entry != nullptr && b < BAND_COUNT; ++b) {
        if (band && *band != b)
            continue;
        std::int64_t value = mark(*entry, b, column);
        std::string& list = value == MARK_CONFIRMED ? confirmed : worked;
        if (value == MARK_NONE)
            continue;
        list += list.empty() ? " " : ", ";
        list += band_names[b];
    }
    std::string tip{name};
    if (confirmed.empty() && worked.empty())
        return tip + ": not worked";
    tip += ":";
    if (!confirmed.empty())
        tip += " confirmed on" + confirmed;
    if (!worked.empty())
        tip += std::string(confirmed.empty() ? "" : ",") + " worked on" + worked;
    return tip;
}

// A check mark whose short stroke starts at x, y.
void append_tick(std::string& out, int x, int y, int size, std::string_view ink) {
    std::string path = "M";
    path += std::to_string(x);
    path += ' ';
    path += std::to_string(y);
    path += " l" + std::to_string(size) + ' ' + std::to_string(size);
    path += " l7 -" + std::to_string(size + 4);
    out += "<path" + attr("d", path) + attr("fill", "none") + attr("stroke", ink) +
           attr("stroke-width", 2) + "/>";
}

void draw_tile(std::string& out, int x, int y, const EntityPair& pair, const StateEntry* entry,
               ModeColumn column, std::optional<int> band) {
    MapStatus status = entry ? map_status(*entry, column, band) : MapStatus::NOT_WORKED;
    const Look& look = look_of(status);
    std::string id = "tile-";
    id += pair.abbrev;
    out += "<g" + attr("id", id) + attr("data-abbrev", pair.abbrev) +
           attr("data-status", look.name) + ">";
    out += "<title>" + escaped(tile_tip(pair.name, entry, column, band)) + "</title>";
    out += "<rect" + attr("x", x) + attr("y", y) + attr("width", TILE) + attr("height", TILE) +
           attr("rx", 5) + attr("fill", look.fill) + attr("stroke", look.stroke) +
           attr("stroke-width", 1) + "/>";
    out += "<text" + attr("x", x + TILE / 2) + attr("y", y + TILE / 2 + 6) +
           attr("text-anchor", "middle") + attr("font-size", 17) + attr("font-weight", "bold") +
           attr("fill", look.ink) + ">" + escaped(pair.abbrev) + "</text>";
    if (status == MapStatus::CONFIRMED) // a second cue beside the colour
        append_tick(out, x + 35, y + 9, 4, look.ink);
    out += "</g>\n";
}

void draw_legend(std::string& out) {
    out += "<g id=\"legend\" font-size=\"13\">\n";
    int x = MARGIN;
    int y = GRID_TOP + 4;
    for (const Look& look : looks) {
        out += "<rect" + attr("data-legend", look.name) + attr("x", x) + attr("y", y) +
               attr("width", 18) + attr("height", 18) + attr("rx", 3) + attr("fill", look.fill) +
               attr("stroke", look.stroke) + "/>";
        if (look.name == look_of(MapStatus::CONFIRMED).name)
            append_tick(out, x + 4, y + 9, 3, look.ink);
        out += "<text" + attr("x", x + 25) + attr("y", y + 14) + attr("fill", "#333333") + ">" +
               escaped(look.label) + "</text>\n";
        x += 25 + static_cast<int>(look.label.size()) * 8 + 22;
    }
    out += "</g>\n";
}

} // namespace

MapStatus map_status(const StateEntry& entry, ModeColumn column, std::optional<int> band) {
    column = valid_column(column);
    band = valid_band(band);
    MapStatus status = MapStatus::NOT_WORKED;
    for (int b = 0; b < BAND_COUNT; ++b) {
        if (band && *band != b)
            continue;
        std::int64_t value = mark(entry, b, column);
        if (value == MARK_CONFIRMED)
            return MapStatus::CONFIRMED;
        if (value != MARK_NONE)
            status = MapStatus::WORKED;
    }
    return status;
}

std::optional<ModeColumn> map_mode_column(std::string_view label) {
    for (int column = 0; column < MODE_COLUMN_COUNT; ++column)
        if (equals_ignore_case(label, mode_names[column]))
            return static_cast<ModeColumn>(column);
    return std::nullopt;
}

std::optional<int> map_band(std::string_view label) {
    for (int band = 0; band < BAND_COUNT; ++band)
        if (equals_ignore_case(label, band_names[band]))
            return band;
    return std::nullopt;
}

std::string_view choice_label(Choice choice) {
    switch (choice) {
    case Choice::FIRST:
        return "First";
    case Choice::LAST:
        return "Last";
    case Choice::LOTW:
        return "LoTW";
    }
    return "Last";
}

std::string draw_state_map(const StateTally& tally, const MapOptions& options) {
    const ModeColumn column = valid_column(options.column);
    const std::optional<int> band = valid_band(options.band);

    std::vector<const StateEntry*> entries;
    int worked = 0;
    int confirmed = 0;
    for (const StateEntry& entry : tally) {
        entries.push_back(&entry);
        if (entry.is_state != 1) // the summary counts the 50 states only
            continue;
        MapStatus status = map_status(entry, column, band);
        worked += status != MapStatus::NOT_WORKED;
        confirmed += status == MapStatus::CONFIRMED;
    }

    // The first summary line's wording, for the column (and band) drawn.
    char counts[80];
    std::string label{mode_names[column]};
    if (confirmed != 0)
        std::snprintf(counts, sizeof counts, "%2d state(s) worked on %-3s (%2d confirmed)", worked,
                      label.c_str(), confirmed);
    else
        std::snprintf(counts, sizeof counts, "%2d state(s) worked on %-3s", worked, label.c_str());
    std::string scope = band ? std::string(band_names[*band]) + " only" : "all bands";
    std::string choice = "choice ";
    choice += options.choice;

    std::string view_box = "0 0 ";
    view_box += std::to_string(WIDTH) + ' ' + std::to_string(HEIGHT);

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\"" + attr("width", WIDTH) +
           attr("height", HEIGHT) + attr("viewBox", view_box) +
           attr("font-family", "DejaVu Sans, Verdana, Arial, Helvetica, sans-serif") + ">\n";
    out += "<title>Q9XZ Centennial QSOs: " + escaped(counts) + ", " + escaped(scope) + ", " +
           escaped(choice) + "</title>\n";
    out +=
        "<rect" + attr("width", WIDTH) + attr("height", HEIGHT) + attr("fill", "#ffffff") + "/>\n";
    out += "<text" + attr("x", MARGIN) + attr("y", 42) + attr("font-size", 22) +
           attr("font-weight", "bold") + attr("fill", "#1a1a1a") +
           ">Q9XZ Centennial QSOs: states worked</text>\n";
    out += "<text id=\"summary\"" + attr("x", MARGIN) + attr("y", 68) + attr("font-size", 15) +
           attr("fill", "#1a1a1a") + "><tspan font-weight=\"bold\">" + escaped(counts) +
           "</tspan><tspan dx=\"10\" fill=\"#595959\">&#183; " + escaped(scope) + " &#183; " +
           escaped(choice) + "</tspan></text>\n";
    draw_legend(out);

    out += "<g id=\"states\">\n";
    for (const TilePlace& place : state_tiles) {
        const EntityPair* pair = nullptr;
        for (const EntityPair& candidate : state_table)
            if (candidate.abbrev == place.abbrev)
                pair = &candidate;
        if (pair == nullptr)
            continue; // a layout without its table entry: nothing to name the tile by
        draw_tile(out, MARGIN + place.column * PITCH, GRID_TOP + place.row * PITCH, *pair,
                  entry_for(entries, place.abbrev), column, band);
    }
    out += "</g>\n";

    out += "<line" + attr("x1", MARGIN) + attr("y1", SEPARATOR_Y) + attr("x2", WIDTH - MARGIN) +
           attr("y2", SEPARATOR_Y) + attr("stroke", "#999999") + attr("stroke-dasharray", "4 3") +
           "/>\n";
    out += "<text" + attr("x", MARGIN) + attr("y", OTHERS_CAPTION_Y) + attr("font-size", 13) +
           attr("fill", "#333333") +
           ">District of Columbia and territories (not counted in the states)</text>\n";
    out += "<g id=\"others\">\n";
    int x = MARGIN;
    for (const EntityPair& pair : other_entity_table) {
        draw_tile(out, x, OTHERS_TOP, pair, entry_for(entries, pair.abbrev), column, band);
        x += PITCH;
    }
    out += "</g>\n</svg>\n";
    return out;
}

} // namespace q9xz
