#include "common/local_time.h"

#include <ctime>

namespace q9xz {

namespace {

std::tm to_tm(const LocalFields& fields) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1; // let the time zone's rules decide
    return tm;
}

} // namespace

#if defined(_WIN32)

std::int64_t make_local_time(const LocalFields& fields) {
    std::tm tm = to_tm(fields);
    return static_cast<std::int64_t>(_mktime64(&tm));
}

bool split_local_time(std::int64_t time, LocalFields& fields) {
    __time64_t t = time;
    std::tm tm{};
    if (_localtime64_s(&tm, &t) != 0)
        return false;
    fields = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

#else

static_assert(sizeof(std::time_t) >= 8, "contact times need a 64-bit time_t");

std::int64_t make_local_time(const LocalFields& fields) {
    std::tm tm = to_tm(fields);
    return static_cast<std::int64_t>(std::mktime(&tm));
}

bool split_local_time(std::int64_t time, LocalFields& fields) {
    std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return false;
    fields = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

#endif

} // namespace q9xz
