#pragma once

#include <cstdint>

namespace q9xz {

// Broken-down local time; fields may lie out of range and are normalised by make_local_time.
struct LocalFields {
    int year = 1970; // full year, e.g. 2014
    int month = 1;   // 1 = January
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970-01-01 00:00:00 UTC of the given local time of this machine; the time zone's
// rules decide about daylight saving time. -1 when the platform cannot represent it.
std::int64_t make_local_time(const LocalFields& fields);

// The local date and time of a time; false when the platform cannot convert it.
bool split_local_time(std::int64_t time, LocalFields& fields);

} // namespace q9xz
