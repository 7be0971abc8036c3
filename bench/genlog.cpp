#include "genlog.h"

#include "analysis/tables.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace q9xz::bench {
namespace {

// splitmix64: tiny, fast and the same on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    int between(int low, int high) { return low + static_cast<int>(below(high - low + 1)); }
    // True with a chance of `per_mille` in 1000.
    bool chance(unsigned per_mille) { return below(1000) < per_mille; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items) {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

struct BandInfo {
    std::string_view name;
    int low_khz;
    int high_khz;
};

// The eleven bands of the spreadsheet, and two it does not know.
constexpr std::array<BandInfo, 11> known_bands{{
    {"160m", 1800, 2000},
    {"80m", 3500, 4000},
    {"40m", 7000, 7300},
    {"30m", 10100, 10150},
    {"20m", 14000, 14350},
    {"17m", 18068, 18168},
    {"15m", 21000, 21450},
    {"12m", 24890, 24990},
    {"10m", 28000, 29700},
    {"6m", 50000, 54000},
    {"2m", 144000, 148000},
}};
constexpr std::array<BandInfo, 2> unknown_bands{{{"60m", 5330, 5406}, {"70cm", 420000, 450000}}};

constexpr std::array<std::string_view, 14> modes{"CW",   "SSB",  "USB",  "LSB",  "FM",
                                                 "AM",   "FT8",  "FT4",  "RTTY", "PSK31",
                                                 "JT65", "SSTV", "MFSK", "JS8"};

constexpr std::array<std::string_view, 26> call_prefixes{
    "K",  "W",  "N", "AA", "KB", "KC", "KD", "WA", "WB", "VE", "DL", "G",  "F",
    "JA", "EA", "I", "OH", "SP", "VK", "ZL", "PY", "LU", "UA", "ON", "PA", "KI"};

constexpr std::array<std::string_view, 16> first_names{
    "John", "Bob",  "Mike", "Dave",   "Jim",  "Tom",  "Bill", "Steve",
    "Mary", "Hans", "Yuki", "Pierre", "Olga", "Carl", "Ed",   "Al"};

constexpr std::array<std::string_view, 12> comments{
    "tnx fb QSO 73",
    "worked on vacation, nice signal into the west coast",
    "QSL via bureau",
    "weak, QSB",
    "first contact on this band <3",
    "contest exchange 599 05",
    "POTA activation K-1234",
    "rig: IC-7300, 100W, dipole at 10m",
    "pileup, many stations calling",
    "eQSL sent",
    "SKCC #12345",
    "mobile on I-95",
};

constexpr std::array<std::string_view, 12> countries{
    "United States", "Canada", "Germany", "England", "France",      "Japan",
    "Spain",         "Italy",  "Finland", "Poland",  "New Zealand", "Brazil"};

constexpr std::array<std::string_view, 10> cities{"Springfield", "Portland", "Dayton", "Boulder",
                                                  "Newington",   "Hamburg",  "Osaka",  "Lyon",
                                                  "Turku",       "Fresno"};

constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The fields a record may carry besides the five every record has.
enum Extra : int {
    FREQ,
    RST_SENT,
    RST_RCVD,
    TIME_OFF,
    QSO_DATE_OFF,
    STATION_CALLSIGN,
    OPERATOR,
    MY_GRIDSQUARE,
    GRIDSQUARE,
    TX_PWR,
    DXCC,
    CQZ,
    ITUZ,
    CONT,
    COUNTRY,
    QSL_SENT,
    QSL_RCVD,
    LOTW_QSL_SENT,
    EQSL_QSL_RCVD,
    QTH,
    MY_CITY,
    SUBMODE,
    APP_LOGGER_ID,
    EXTRA_COUNT
};

constexpr std::array<std::string_view, EXTRA_COUNT> extra_names{
    "FREQ",          "RST_SENT",      "RST_RCVD",   "TIME_OFF", "QSO_DATE_OFF", "STATION_CALLSIGN",
    "OPERATOR",      "MY_GRIDSQUARE", "GRIDSQUARE", "TX_PWR",   "DXCC",         "CQZ",
    "ITUZ",          "CONT",          "COUNTRY",    "QSL_SENT", "QSL_RCVD",     "LOTW_QSL_SENT",
    "EQSL_QSL_RCVD", "QTH",           "MY_CITY",    "SUBMODE",  "APP_LOGGER_ID"};

constexpr std::size_t MAX_FIELDS = 24;

struct Field {
    std::string_view name;
    std::string value;
    std::string_view type; // data type indicator, such as "D" in <QSO_DATE:8:D>
};

// Builds one record at a time into the caller's text.
class LogWriter {
  public:
    explicit LogWriter(const LogShape& shape) : shape_(shape), random_(shape.seed) {}

    void header(std::string& out) {
        out += "Q9XZ benchmark log made by q9xz-genlog, seed ";
        out += std::to_string(shape_.seed);
        out += ", ";
        out += std::to_string(shape_.records);
        out += " records.\r\n";
        out += "Free text may hold <brackets> and tag-like words such as <this> or <call>.\r\n";
        out += "<ADIF_VER:5>3.1.4\r\n";
        out += "<PROGRAMID:10>ADIFMaster\r\n";
        out += "<PROGRAMVERSION:5>2.4.1\r\n";
        out += "<CREATED_TIMESTAMP:15>20150110 120000\r\n";
        out += "<EOH>\r\n";
    }

    void record(std::string& out) {
        count_ = 0;
        if (random_.chance(50))
            special_event_contact();
        else
            other_contact();
        write_record(out);
    }

  private:
    Field& add(std::string_view name, std::string_view value, std::string_view type = {}) {
        Field& field = fields_[count_++];
        field.name = name;
        field.value = std::string(value);
        field.type = type;
        return field;
    }

    std::string call_sign() {
        std::string call(random_.pick(call_prefixes));
        call += char('0' + random_.below(10));
        int suffix_letters = random_.between(1, 3);
        for (int i = 0; i < suffix_letters; ++i)
            call += letters[random_.below(26)];
        if (random_.chance(20))
            call += random_.chance(500) ? "/P" : "/M";
        return call;
    }

    std::string date(int year) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d%02d%02d", year, random_.between(1, 12),
                      random_.between(1, 28));
        return text;
    }

    std::string time_of_day() {
        char text[16];
        if (random_.chance(600))
            std::snprintf(text, sizeof text, "%02d%02d", random_.between(0, 23),
                          random_.between(0, 59));
        else
            std::snprintf(text, sizeof text, "%02d%02d%02d", random_.between(0, 23),
                          random_.between(0, 59), random_.between(0, 59));
        return text;
    }

    std::string grid() {
        std::string square;
        square += letters[random_.below(18)];
        square += letters[random_.below(18)];
        square += char('0' + random_.below(10));
        square += char('0' + random_.below(10));
        if (random_.chance(700)) {
            square += char('a' + random_.below(24));
            square += char('a' + random_.below(24));
        }
        return square;
    }

    std::string frequency(const BandInfo& band) {
        int khz = random_.between(band.low_khz, band.high_khz);
        char text[32];
        std::snprintf(text, sizeof text, "%d.%03d%s", khz / 1000, khz % 1000,
                      random_.chance(500) ? "00" : "");
        return text;
    }

    std::string_view state_abbrev() { return random_.pick(state_table).abbrev; }

    // Adds `wanted` optional fields, each at most once, in a random choice.
    void add_extras(int wanted, const BandInfo& band, std::string_view qso_date) {
        std::array<int, EXTRA_COUNT> order{};
        for (int i = 0; i < EXTRA_COUNT; ++i)
            order[i] = i;
        for (int i = 0; i < wanted && i < EXTRA_COUNT; ++i) {
            int j = i + static_cast<int>(random_.below(EXTRA_COUNT - i));
            std::swap(order[i], order[j]);
            add_extra(static_cast<Extra>(order[i]), band, qso_date);
        }
    }

    void add_extra(Extra extra, const BandInfo& band, std::string_view qso_date) {
        std::string_view name = extra_names[extra];
        switch (extra) {
        case FREQ:
            add(name, frequency(band), random_.chance(300) ? "N" : "");
            break;
        case RST_SENT:
        case RST_RCVD:
            add(name, random_.chance(500) ? "599" : "59");
            break;
        case TIME_OFF:
            add(name, time_of_day());
            break;
        case QSO_DATE_OFF:
            add(name, qso_date, random_.chance(300) ? "D" : "");
            break;
        case STATION_CALLSIGN:
        case OPERATOR:
            add(name, station_);
            break;
        case MY_GRIDSQUARE:
            add(name, "FN31pr");
            break;
        case GRIDSQUARE:
            add(name, grid());
            break;
        case TX_PWR:
            add(name, std::to_string(5 * random_.between(1, 300)));
            break;
        case DXCC:
            add(name, std::to_string(random_.between(1, 522)));
            break;
        case CQZ:
            add(name, std::to_string(random_.between(1, 40)));
            break;
        case ITUZ:
            add(name, std::to_string(random_.between(1, 90)));
            break;
        case CONT:
            add(name,
                random_.pick(std::array<std::string_view, 6>{"NA", "EU", "AS", "SA", "OC", "AF"}));
            break;
        case COUNTRY:
            add(name, random_.pick(countries));
            break;
        case QSL_SENT:
        case QSL_RCVD:
        case LOTW_QSL_SENT:
        case EQSL_QSL_RCVD:
            add(name, random_.pick(std::array<std::string_view, 4>{"Y", "N", "R", "Q"}));
            break;
        case QTH:
        case MY_CITY:
            add(name, random_.pick(cities));
            break;
        case SUBMODE:
            add(name, random_.pick(std::array<std::string_view, 3>{"USB", "LSB", "PSK31"}));
            break;
        case APP_LOGGER_ID:
            add(name, std::to_string(random_.next() % 100000000));
            break;
        case EXTRA_COUNT:
            break;
        }
    }

    // A contact of the special-event station in 2014, most of them right, some with the
    // mistakes that the conversion reports.
    void special_event_contact() {
        enum Problem { NONE, BAD_CALL, BAD_BAND, BAD_STATE, WRONG_AREA, REPEATED, NO_STATE };
        Problem problem = NONE;
        if (random_.chance(40))
            problem = static_cast<Problem>(random_.between(BAD_CALL, NO_STATE));

        std::string call = "Q9XZ/";
        std::string state;
        bool portable = random_.chance(100);
        int area = static_cast<int>(random_.below(10));
        if (portable) {
            const PortablePrefix& prefix = random_.pick(portable_prefixes);
            call += prefix.suffix;
            state = prefix.abbrev;
        } else {
            call += char('0' + area);
            const CallArea& states = call_area_states[area];
            state = state_table[states.states[random_.below(states.count)]].abbrev;
            if (area == 3 && random_.chance(150))
                state = "DC";
        }
        if (problem == BAD_CALL)
            call = random_.pick(
                std::array<std::string, 5>{"Q9XZ", "Q9XZ/A", "Q9XZ/KH7", "Q9XZ/4/P", "Q9XZ/MM"});
        if (problem == WRONG_AREA) {
            const CallArea& other = call_area_states[(area + 1) % 10];
            state = state_table[other.states[random_.below(other.count)]].abbrev;
        }
        if (problem == BAD_STATE)
            state = random_.pick(std::array<std::string, 3>{"XX", " CT", "NH portable"});

        const BandInfo& band =
            problem == BAD_BAND ? random_.pick(unknown_bands) : random_.pick(known_bands);
        std::string qso_date = date(2014);
        if (!portable && area == 3 && random_.chance(100))
            qso_date = "2014100" + std::to_string(random_.between(1, 9));

        station_ = call_sign();
        add("CALL", call);
        add("QSO_DATE", qso_date, random_.chance(300) ? "D" : "");
        add("TIME_ON", time_of_day());
        add("BAND", band.name);
        add("MODE", random_.pick(modes));

        // Where the state comes from: STATE mostly, NAME or COMMENT (the header names
        // ADIFMaster) sometimes, nothing when the log lacks it.
        int source = static_cast<int>(random_.below(100));
        if (problem == NO_STATE) {
            if (random_.chance(500))
                add("NAME", random_.pick(first_names));
        } else if (source < 86 || problem == BAD_STATE) {
            if (random_.chance(100))
                state += "  ";
            else if (random_.chance(50) && state[0] >= 'A' && state[0] <= 'Z')
                state[0] = char(state[0] - 'A' + 'a');
            add("STATE", state);
        } else if (source < 93) {
            add("NAME", " " + state + " ");
        } else {
            add("COMMENT", state);
        }
        if (problem == REPEATED)
            add(random_.chance(500) ? "BAND" : "MODE",
                random_.chance(500) ? random_.pick(known_bands).name : random_.pick(modes));

        int confirmation = static_cast<int>(random_.below(100));
        if (confirmation < 35)
            add("LOTW_QSL_RCVD", "Y");
        else if (confirmation < 45)
            add("LOTW_QSL_RCVD", "N");
        else if (confirmation < 50)
            add("LOTW_QSL_RCVD", "V");

        add_extras(random_.between(11, 20) - static_cast<int>(count_), band, qso_date);
    }

    // Anyone else, any year; a few Q9XZ contacts outside 2014 too.
    void other_contact() {
        int year = random_.between(2005, 2024);
        std::string call = call_sign();
        if (random_.chance(5)) {
            call = "Q9XZ/" + std::to_string(random_.below(10));
            year = random_.chance(500) ? 2013 : 2015;
        }
        const BandInfo& band =
            random_.chance(20) ? random_.pick(unknown_bands) : random_.pick(known_bands);
        std::string qso_date = date(year);
        station_ = "N0CALL";

        add("CALL", call);
        add("QSO_DATE", qso_date, random_.chance(300) ? "D" : "");
        add("TIME_ON", time_of_day());
        add("BAND", band.name);
        add("MODE", random_.pick(modes));
        if (random_.chance(300))
            add("STATE", state_abbrev());
        if (random_.chance(400))
            add("NAME", random_.pick(first_names));
        if (random_.chance(400)) {
            if (random_.chance(10)) // a comment written over two lines
                add("COMMENT", "first line of a long note\nand its second line");
            else
                add("COMMENT", random_.pick(comments));
        }
        if (random_.chance(300))
            add("LOTW_QSL_RCVD", random_.chance(500) ? "Y" : "N");

        add_extras(random_.between(11, 20) - static_cast<int>(count_), band, qso_date);
    }

    // Writes the fields in one of the layouts loggers use: all on one line (most), one field
    // per line, or split over two lines; tags in upper or (rarely) lower case.
    void write_record(std::string& out) {
        int layout = static_cast<int>(random_.below(100));
        bool lower = random_.chance(100);
        for (std::size_t i = 0; i < count_; ++i) {
            const Field& field = fields_[i];
            // A line end inside a value is written as CR LF and counts as one character.
            std::size_t length = field.value.size();
            out += '<';
            for (char c : field.name)
                out += lower && c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
            out += ':';
            out += std::to_string(length);
            if (!field.type.empty()) {
                out += ':';
                out += field.type;
            }
            out += '>';
            for (char c : field.value) {
                if (c == '\n')
                    out += '\r';
                out += c;
            }
            if (layout < 8 || (layout < 10 && i == count_ / 2))
                out += "\r\n";
            else
                out += ' ';
        }
        out += lower ? "<eor>\r\n" : "<EOR>\r\n";
    }

    LogShape shape_;
    Random random_;
    std::array<Field, MAX_FIELDS> fields_;
    std::size_t count_ = 0;
    std::string station_;
};

} // namespace

void generate_log(const LogShape& shape, std::string& out) {
    LogWriter writer(shape);
    writer.header(out);
    for (std::uint64_t i = 0; i < shape.records; ++i)
        writer.record(out);
}

bool write_log(const LogShape& shape, std::FILE* out) {
    constexpr std::size_t BLOCK = 1u << 20;
    LogWriter writer(shape);
    std::string text;
    text.reserve(BLOCK + 4096);
    writer.header(text);
    for (std::uint64_t i = 0; i < shape.records; ++i) {
        writer.record(text);
        if (text.size() >= BLOCK) {
            if (std::fwrite(text.data(), 1, text.size(), out) != text.size())
                return false;
            text.clear();
        }
    }
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

} // namespace q9xz::bench
