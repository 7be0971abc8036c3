#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "results/state_map.h"
#include "results/summary.h"

#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {
namespace {

// A small XML reader for the map's output: enough of XML 1.0 to prove a document well-formed
// (one root, matched tags, quoted and unique attributes, known references, comments and
// processing instructions) and to look into it. No DTDs, no CDATA: the map writes neither.
struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<std::unique_ptr<XmlElement>> children;
    std::string text; // the character data directly inside, references resolved

    std::string attribute(const std::string& key) const {
        auto found = attributes.find(key);
        return found == attributes.end() ? std::string() : found->second;
    }
    std::string all_text() const {
        std::string out = text;
        for (const auto& child : children)
            out += child->all_text();
        return out;
    }
    void collect(const std::function<bool(const XmlElement&)>& take,
                 std::vector<const XmlElement*>& found) const {
        if (take(*this))
            found.push_back(this);
        for (const auto& child : children)
            child->collect(take, found);
    }
    std::vector<const XmlElement*> with_attribute(const std::string& key) const {
        std::vector<const XmlElement*> found;
        collect([&](const XmlElement& e) { return e.attributes.count(key) != 0; }, found);
        return found;
    }
    const XmlElement* by_id(const std::string& id) const {
        std::vector<const XmlElement*> found;
        collect([&](const XmlElement& e) { return e.attribute("id") == id; }, found);
        return found.size() == 1 ? found.front() : nullptr;
    }
    const XmlElement* child(const std::string& child_name) const {
        for (const auto& c : children)
            if (c->name == child_name)
                return c.get();
        return nullptr;
    }
};

class XmlReader {
  public:
    explicit XmlReader(std::string_view input) : in_(input) {}

    // The root element, or nullptr with error() telling why.
    std::unique_ptr<XmlElement> read() {
        if (in_.substr(0, 5) == "<?xml" && !skip_past("?>"))
            return fail("unterminated XML declaration");
        if (!skip_misc())
            return nullptr;
        if (!at('<'))
            return fail("no root element");
        auto root = element(0);
        if (!root || !skip_misc())
            return nullptr;
        if (pos_ != in_.size())
            return fail("content after the root element");
        return root;
    }
    const std::string& error() const { return error_; }

  private:
    static constexpr int MAX_DEPTH = 64; // the map nests four deep; this stops runaway recursion

    std::unique_ptr<XmlElement> fail(const std::string& why) {
        if (error_.empty())
            error_ = why + " at byte " + std::to_string(pos_);
        return nullptr;
    }
    bool at(char c) const { return pos_ < in_.size() && in_[pos_] == c; }
    bool starts(std::string_view s) const { return in_.substr(pos_, s.size()) == s; }
    bool skip_past(std::string_view end) {
        auto found = in_.find(end, pos_);
        if (found == std::string_view::npos)
            return false;
        pos_ = found + end.size();
        return true;
    }
    void skip_space() {
        while (pos_ < in_.size() && std::isspace(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
    }
    // Blanks, comments and processing instructions, allowed around the root.
    bool skip_misc() {
        for (;;) {
            skip_space();
            if (starts("<!--")) {
                if (!comment())
                    return false;
            } else if (starts("<?")) {
                if (!skip_past("?>"))
                    return fail("unterminated processing instruction"), false;
            } else {
                return true;
            }
        }
    }
    bool comment() {
        auto end = in_.find("--", pos_ + 4);
        if (end == std::string_view::npos || in_.substr(end, 3) != "-->")
            return fail("bad comment"), false;
        pos_ = end + 3;
        return true;
    }
    static bool name_start(char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':';
    }
    static bool name_char(char c) {
        return name_start(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
    }
    std::string name() {
        std::size_t start = pos_;
        if (pos_ < in_.size() && name_start(in_[pos_]))
            while (pos_ < in_.size() && name_char(in_[pos_]))
                ++pos_;
        return std::string(in_.substr(start, pos_ - start));
    }
    // Text up to the next '<' (or the closing quote), with references resolved.
    bool characters(std::string& out, char stop) {
        while (pos_ < in_.size() && in_[pos_] != stop && in_[pos_] != '<') {
            char c = in_[pos_];
            if (c == '&') {
                if (!reference(out))
                    return false;
                continue;
            }
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                return fail("control character"), false;
            out += c;
            ++pos_;
        }
        return true;
    }
    bool reference(std::string& out) {
        auto end = in_.find(';', pos_);
        if (end == std::string_view::npos || end - pos_ > 10)
            return fail("unterminated reference"), false;
        std::string_view ref = in_.substr(pos_ + 1, end - pos_ - 1);
        static const std::map<std::string_view, char> named{
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        if (auto found = named.find(ref); found != named.end()) {
            out += found->second;
        } else if (ref.size() > 1 && ref[0] == '#') {
            bool hex = ref[1] == 'x';
            std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                return fail("empty character reference"), false;
            for (char d : digits)
                if (!(hex ? std::isxdigit(static_cast<unsigned char>(d))
                          : std::isdigit(static_cast<unsigned char>(d))))
                    return fail("bad character reference"), false;
            out += '?'; // the code point itself does not matter to these tests
        } else {
            return fail("unknown entity"), false;
        }
        pos_ = end + 1;
        return true;
    }
    std::unique_ptr<XmlElement> element(int depth) {
        if (depth > MAX_DEPTH)
            return fail("nested too deep");
        ++pos_; // '<'
        auto e = std::make_unique<XmlElement>();
        e->name = name();
        if (e->name.empty())
            return fail("missing element name");
        for (;;) {
            std::size_t before = pos_;
            skip_space();
            if (starts("/>")) {
                pos_ += 2;
                return e;
            }
            if (at('>')) {
                ++pos_;
                break;
            }
            if (pos_ == before)
                return fail("attributes must be separated by blanks");
            std::string key = name();
            if (key.empty())
                return fail("bad attribute name");
            skip_space();
            if (!at('='))
                return fail("attribute without value");
            ++pos_;
            skip_space();
            if (!at('"') && !at('\''))
                return fail("unquoted attribute value");
            char quote = in_[pos_++];
            std::string value;
            if (!characters(value, quote))
                return nullptr;
            if (!at(quote))
                return fail("'<' in attribute value");
            ++pos_;
            if (!e->attributes.emplace(key, value).second)
                return fail("duplicate attribute " + key);
        }
        for (;;) {
            if (!characters(e->text, '<'))
                return nullptr;
            if (pos_ >= in_.size())
                return fail("unclosed element " + e->name);
            if (starts("</")) {
                pos_ += 2;
                if (name() != e->name)
                    return fail("mismatched end tag for " + e->name);
                skip_space();
                if (!at('>'))
                    return fail("bad end tag");
                ++pos_;
                return e;
            }
            if (starts("<!--")) {
                if (!comment())
                    return nullptr;
            } else if (starts("<?")) {
                if (!skip_past("?>"))
                    return fail("unterminated processing instruction");
            } else if (starts("<!")) {
                return fail("DTD or CDATA not expected");
            } else {
                auto c = element(depth + 1);
                if (!c)
                    return nullptr;
                e->children.push_back(std::move(c));
            }
        }
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    std::string error_;
};

TEST(XmlReader, RejectsMalformedDocuments) {
    const char* bad[] = {
        "",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a x=1/>",
        "<a x=\"1\" x=\"2\"/>",
        "<a x=\"1\"y=\"2\"/>",
        "<a>&nbsp;</a>",
        "<a>&amp</a>",
        "<a x=\"<\"/>",
        "<a/><b/>",
        "<a>x</a>y",
        "<a><!-- -- --></a>",
    };
    for (const char* text : bad)
        EXPECT_EQ(XmlReader(text).read(), nullptr) << text;
    const char* good[] = {
        "<?xml version=\"1.0\"?>\n<a/>\n",
        "<a x='1' y=\"&lt;&#183;&#xB7;\"><b>t &amp; u</b><!-- c --></a>",
    };
    for (const char* text : good) {
        XmlReader reader(text);
        EXPECT_NE(reader.read(), nullptr) << text << ": " << reader.error();
    }
}

// The drawn map, parsed, with the facts the tests look at.
struct ParsedMap {
    std::unique_ptr<XmlElement> root;
    std::map<std::string, std::string> status;      // abbreviation -> data-status
    std::map<std::string, std::string> fill;        // abbreviation -> fill of the tile's square
    std::map<std::string, std::string> legend_fill; // status -> fill of the legend's swatch
    std::string counts;                             // the title line's counts
    std::string title_line;                         // the whole title line
};

ParsedMap parse_map(const std::string& svg) {
    ParsedMap map;
    XmlReader reader(svg);
    map.root = reader.read();
    EXPECT_NE(map.root, nullptr) << reader.error();
    if (!map.root)
        return map;
    EXPECT_EQ(map.root->name, "svg");
    for (const XmlElement* tile : map.root->with_attribute("data-abbrev")) {
        std::string abbrev = tile->attribute("data-abbrev");
        EXPECT_EQ(map.status.count(abbrev), 0u) << "two tiles for " << abbrev;
        map.status[abbrev] = tile->attribute("data-status");
        const XmlElement* square = tile->child("rect");
        map.fill[abbrev] = square ? square->attribute("fill") : "";
    }
    for (const XmlElement* swatch : map.root->with_attribute("data-legend"))
        map.legend_fill[swatch->attribute("data-legend")] = swatch->attribute("fill");
    if (const XmlElement* line = map.root->by_id("summary")) {
        map.title_line = line->all_text();
        if (!line->children.empty())
            map.counts = line->children.front()->all_text();
    }
    return map;
}

std::vector<std::string> all_abbreviations() {
    std::vector<std::string> all;
    for (const EntityPair& pair : state_table)
        all.emplace_back(pair.abbrev);
    for (const EntityPair& pair : other_entity_table)
        all.emplace_back(pair.abbrev);
    return all;
}

constexpr std::int64_t A_TIME = 1404561600; // 2014-07-05, some time of day in any zone

TEST(StateMap, EmptyTallyDrawsEveryTileNotWorked) {
    {
        ParsedMap map = parse_map(draw_state_map(build_state_tally(), MapOptions{}));
        ASSERT_EQ(map.status.size(), 57u);
        ASSERT_EQ(map.legend_fill.size(), 3u);
        for (const std::string& abbrev : all_abbreviations()) {
            EXPECT_EQ(map.status[abbrev], "not-worked") << abbrev;
            EXPECT_EQ(map.fill[abbrev], map.legend_fill["not-worked"]) << abbrev;
        }
        EXPECT_EQ(map.counts, " 0 state(s) worked on MIX");
        EXPECT_NE(map.title_line.find("all bands"), std::string::npos) << map.title_line;
        EXPECT_NE(map.title_line.find("Last"), std::string::npos) << map.title_line;
    }
}

TEST(StateMap, LegendColoursStayApartInGrey) {
    ParsedMap map = parse_map(draw_state_map(build_state_tally(), MapOptions{}));
    auto lightness = [](const std::string& colour) {
        // Rec. 709 luma of a #rrggbb colour: what a grey-scale print keeps.
        if (colour.size() != 7 || colour[0] != '#')
            return -1.0;
        auto channel = [&](int i) { return std::stoi(colour.substr(1 + 2 * i, 2), nullptr, 16); };
        return 0.2126 * channel(0) + 0.7152 * channel(1) + 0.0722 * channel(2);
    };
    double none = lightness(map.legend_fill["not-worked"]);
    double worked = lightness(map.legend_fill["worked"]);
    double confirmed = lightness(map.legend_fill["confirmed"]);
    EXPECT_GT(none - worked, 40) << "not worked and worked too alike in grey";
    EXPECT_GT(worked - confirmed, 40) << "worked and confirmed too alike in grey";
}

TEST(StateMap, TilesKeepTheCountrysShape) {
    ParsedMap map = parse_map(draw_state_map(build_state_tally(), MapOptions{}));
    ASSERT_NE(map.root, nullptr);
    const XmlElement* states = map.root->by_id("states");
    const XmlElement* others = map.root->by_id("others");
    ASSERT_NE(states, nullptr);
    ASSERT_NE(others, nullptr);
    ASSERT_EQ(states->with_attribute("data-abbrev").size(), 50u);
    ASSERT_EQ(others->with_attribute("data-abbrev").size(), 7u);
    for (const EntityPair& pair : other_entity_table)
        EXPECT_EQ(others->by_id("tile-" + std::string(pair.abbrev))->attribute("data-abbrev"),
                  pair.abbrev);

    std::map<std::string, std::pair<int, int>> at; // abbreviation -> x, y of its square
    std::set<std::pair<int, int>> used;
    int lowest_state = 0;
    for (const XmlElement* tile : map.root->with_attribute("data-abbrev")) {
        const XmlElement* square = tile->child("rect");
        ASSERT_NE(square, nullptr);
        std::pair<int, int> xy{std::stoi(square->attribute("x")),
                               std::stoi(square->attribute("y"))};
        EXPECT_TRUE(used.insert(xy).second) << "two tiles on one place: " << tile->attribute("id");
        at[tile->attribute("data-abbrev")] = xy;
    }
    for (const EntityPair& pair : state_table)
        lowest_state = std::max(lowest_state, at[std::string(pair.abbrev)].second);
    // Maine upper right, Alaska and Hawaii lower left, the other entities below every state.
    for (const EntityPair& pair : state_table) {
        EXPECT_LE(at[std::string(pair.abbrev)].first, at["ME"].first) << pair.abbrev;
        EXPECT_GE(at[std::string(pair.abbrev)].second, at["ME"].second) << pair.abbrev;
    }
    EXPECT_LT(at["WA"].first, at["MN"].first);
    EXPECT_LT(at["MN"].second, at["TX"].second);
    for (const char* west : {"AK", "HI"}) {
        EXPECT_LE(at[west].first, at["CA"].first) << west;
        EXPECT_GT(at[west].second, at["CA"].second) << west;
    }
    for (const EntityPair& pair : other_entity_table)
        EXPECT_GT(at[std::string(pair.abbrev)].second, lowest_state) << pair.abbrev;
}

struct MapCase {
    const char* title;
    std::function<void(StateTally&)> fill; // sets marks on the fresh tally
    MapOptions options;
    std::map<std::string, std::string> expected; // status of the tiles that are not "not-worked"
    const char* counts;
};

void set(StateTally& tally, const char* abbrev, int band, ModeColumn column, std::int64_t value) {
    StateEntry* entry = find_state(tally, abbrev);
    ASSERT_NE(entry, nullptr) << abbrev;
    mark(*entry, band, column) = value;
}

const MapCase map_cases[] = {
    {"a time on one band is worked",
     [](StateTally& t) { set(t, "TX", 4, MIX, A_TIME); },
     {"Last", MIX, {}},
     {{"TX", "worked"}},
     " 1 state(s) worked on MIX"},
    {"confirmed on any band wins over a time on an earlier one",
     [](StateTally& t) {
         set(t, "NY", 0, MIX, A_TIME);
         set(t, "NY", 10, MIX, MARK_CONFIRMED);
         set(t, "ME", 0, MIX, MARK_CONFIRMED);
         set(t, "OH", 8, MIX, A_TIME);
     },
     {"LoTW", MIX, {}},
     {{"NY", "confirmed"}, {"ME", "confirmed"}, {"OH", "worked"}},
     " 3 state(s) worked on MIX ( 2 confirmed)"},
    {"one band: only that band's mark counts",
     [](StateTally& t) {
         set(t, "NY", 2, MIX, MARK_CONFIRMED);
         set(t, "NY", 4, MIX, A_TIME);
         set(t, "CA", 4, MIX, MARK_CONFIRMED);
         set(t, "FL", 8, MIX, A_TIME);
     },
     {"LoTW", MIX, 4},
     {{"NY", "worked"}, {"CA", "confirmed"}},
     " 2 state(s) worked on MIX ( 1 confirmed)"},
    {"the other entities are drawn but not counted",
     [](StateTally& t) {
         set(t, "DC", 4, MIX, A_TIME);
         set(t, "PR", 1, MIX, MARK_CONFIRMED);
         set(t, "GU", 5, MIX, A_TIME);
     },
     {"LoTW", MIX, {}},
     {{"DC", "worked"}, {"PR", "confirmed"}, {"GU", "worked"}},
     " 0 state(s) worked on MIX"},
    {"a mode column shows its own marks only",
     [](StateTally& t) {
         set(t, "CA", 4, CW, A_TIME);
         set(t, "OR", 4, PH, A_TIME);
         set(t, "WA", 4, DIG, MARK_CONFIRMED);
         set(t, "NV", 4, MIX, A_TIME);
     },
     {"First", PH, {}},
     {{"OR", "worked"}},
     " 1 state(s) worked on PH "},
    {"digital is not phone",
     [](StateTally& t) {
         set(t, "OR", 4, PH, A_TIME);
         set(t, "WA", 4, DIG, MARK_CONFIRMED);
         set(t, "HI", 9, DIG, A_TIME);
     },
     {"LoTW", DIG, {}},
     {{"WA", "confirmed"}, {"HI", "worked"}},
     " 2 state(s) worked on DIG ( 1 confirmed)"},
    {"a band out of range draws all bands, a column out of range draws MIX",
     [](StateTally& t) {
         set(t, "AK", 10, MIX, A_TIME);
         set(t, "IA", 0, CW, A_TIME);
     },
     {"Last", static_cast<ModeColumn>(7), 11},
     {{"AK", "worked"}},
     " 1 state(s) worked on MIX"},
};

TEST(StateMap, TilesTakeTheColourTheirMarksCallFor) {
    for (const MapCase& c : map_cases) {
        SCOPED_TRACE(c.title);
        StateTally tally = build_state_tally();
        c.fill(tally);
        ParsedMap map = parse_map(draw_state_map(tally, c.options));
        ASSERT_EQ(map.status.size(), 57u);
        for (const std::string& abbrev : all_abbreviations()) {
            auto expected = c.expected.count(abbrev) ? c.expected.at(abbrev) : "not-worked";
            EXPECT_EQ(map.status[abbrev], expected) << abbrev;
            EXPECT_EQ(map.fill[abbrev], map.legend_fill[expected]) << abbrev;
        }
        EXPECT_EQ(map.counts, c.counts);
        EXPECT_NE(map.title_line.find(std::string(c.options.choice)), std::string::npos);
        if (c.options.band && *c.options.band >= 0 && *c.options.band < BAND_COUNT) {
            EXPECT_NE(map.title_line.find(std::string(band_names[*c.options.band])),
                      std::string::npos)
                << map.title_line;
        }
    }
}

// The title line must agree with the window's first summary lines for every column.
TEST(StateMap, CountsAgreeWithTheSummaryLines) {
    StateTally tally = build_state_tally();
    set(tally, "TX", 4, MIX, MARK_CONFIRMED);
    set(tally, "TX", 4, CW, MARK_CONFIRMED);
    set(tally, "TX", 6, PH, A_TIME);
    set(tally, "VT", 1, MIX, A_TIME);
    set(tally, "VT", 1, DIG, A_TIME);
    set(tally, "DC", 1, MIX, MARK_CONFIRMED);
    set(tally, "KS", 3, PH, MARK_CONFIRMED);
    MessageLists lists;
    summarize_modes(lists, tally, 1);
    std::vector<std::string> lines(lists.summary.begin(), lists.summary.end());
    ASSERT_EQ(lines.size(), 4u);
    for (int column = 0; column < MODE_COLUMN_COUNT; ++column) {
        MapOptions options{"LoTW", static_cast<ModeColumn>(column), {}};
        ParsedMap map = parse_map(draw_state_map(tally, options));
        EXPECT_EQ(map.counts, lines[3 - column]) << mode_names[column]; // the list is newest first
    }
}

TEST(StateMap, NamesOfColumnsBandsAndChoices) {
    EXPECT_EQ(map_mode_column("cw"), CW);
    EXPECT_EQ(map_mode_column("Dig"), DIG);
    EXPECT_EQ(map_mode_column("PH"), PH);
    EXPECT_EQ(map_mode_column("MIX"), MIX);
    for (const char* bad : {"", "SSB", "CW ", "P"})
        EXPECT_EQ(map_mode_column(bad), std::nullopt) << bad;
    EXPECT_EQ(map_band("160m"), 0);
    EXPECT_EQ(map_band("20M"), 4);
    EXPECT_EQ(map_band("2m"), 10);
    for (const char* bad : {"", "20", "60m", "2", "20m ", "6mm"})
        EXPECT_EQ(map_band(bad), std::nullopt) << bad;

    EXPECT_EQ(choice_label(ConvertOptions{}.choice), "Last");
    EXPECT_EQ(choice_label(Choice::FIRST), "First");
    EXPECT_EQ(choice_label(Choice::LOTW), "LoTW");
}

TEST(StateMap, TextsAreEscaped) {
    MapOptions options{"<&\"'\x01>", MIX, {}};
    ParsedMap map = parse_map(draw_state_map(build_state_tally(), options));
    EXPECT_NE(map.title_line.find("<&\"'?>"), std::string::npos) << map.title_line;
}

} // namespace
} // namespace q9xz
