#include "common/local_day_cache.h"

namespace q9xz {

namespace {

constexpr std::int64_t SECONDS_PER_DAY = 24 * 60 * 60;

bool in_range(int value, int low, int high) {
    return value >= low && value <= high;
}

} // namespace

std::int64_t LocalDayCache::make_local_time(const LocalFields& fields) {
    if (!in_range(fields.year, 0, 9999) || !in_range(fields.month, 1, 12) ||
        !in_range(fields.day, 1, 31) || !in_range(fields.hour, 0, 23) ||
        !in_range(fields.minute, 0, 59) || !in_range(fields.second, 0, 59))
        return q9xz::make_local_time(fields);

    const std::int32_t key = (fields.year * 13 + fields.month) * 32 + fields.day;
    Day& day = days_[static_cast<std::size_t>(key) % DAYS];
    if (day.key != key) {
        LocalFields first = fields;
        first.hour = first.minute = first.second = 0;
        LocalFields last = fields;
        last.hour = 23;
        last.minute = last.second = 59;
        const std::int64_t start = q9xz::make_local_time(first);
        const std::int64_t end = q9xz::make_local_time(last);
        day.key = key;
        day.start = start;
        // One offset all day long: the last second is a whole day, less one, after the first.
        day.regular = start != -1 && end != -1 && end - start == SECONDS_PER_DAY - 1;
    }
    if (!day.regular)
        return q9xz::make_local_time(fields);
    return day.start + fields.hour * 3600 + fields.minute * 60 + fields.second;
}

} // namespace q9xz
