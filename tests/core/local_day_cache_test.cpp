// The day cache must give the platform's own answer for every contact time of a year, in time
// zones whose daylight-saving changes fall at different hours.
#include "adif_test_util.h"
#include "common/local_day_cache.h"
#include "common/local_time.h"

#include <gtest/gtest.h>

namespace q9xz {
namespace {

bool same_fields(const LocalFields& a, const LocalFields& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

// Written as rules rather than zone names, so the test needs no time-zone database.
const char* const ZONES[] = {
    "UTC0",
    "EST5EDT,M3.2.0,M11.1.0",               // changes at 02:00
    "GMT0BST,M3.5.0/1,M10.5.0",             // changes at 01:00 and 02:00
    "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", // half an hour at a time
    "<-03>3<-02>,M10.3.0/0,M2.3.0/0",       // changes at midnight
    "<+0530>-5:30",                         // a half-hour offset, no changes
};

TEST(LocalDayCache, AgreesWithThePlatformAllYear) {
    for (const char* zone_rule : ZONES) {
        SCOPED_TRACE(zone_rule);
        test::ScopedTimeZone zone(zone_rule);
        LocalDayCache days;
        int disagreements = 0;
        // Every day of 2014 and the first of 2015, at times that walk through every hour.
        for (int day_of_year = 0; day_of_year <= 365; ++day_of_year) {
            for (int step = 0; step < 24 * 60 * 60; step += 1409) {
                LocalFields fields;
                fields.year = 2014;
                fields.month = 1;
                fields.day = 1 + day_of_year; // normalised into the right month
                fields.hour = step / 3600;
                fields.minute = step / 60 % 60;
                fields.second = step % 60;
                const std::int64_t direct = make_local_time(fields);
                const std::int64_t cached = days.make_local_time(fields);
                if (cached == direct)
                    continue;
                // In the hour a clock turns back, either reading is right: both must name
                // the wall-clock time asked for.
                LocalFields from_direct, from_cached;
                ASSERT_TRUE(split_local_time(direct, from_direct));
                ASSERT_TRUE(split_local_time(cached, from_cached));
                if (!same_fields(from_direct, from_cached) && ++disagreements <= 5)
                    ADD_FAILURE() << "day " << day_of_year << " second " << step << ": cached "
                                  << cached << ", platform " << direct;
            }
        }
        EXPECT_EQ(disagreements, 0);
    }
}

TEST(LocalDayCache, FieldsOutOfRangeAreNormalisedByThePlatform) {
    test::ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    LocalDayCache days;
    const LocalFields cases[] = {
        {2014, 1, 5, 12, 75, 0},  // 75 minutes
        {2014, 2, 30, 9, 0, 0},   // 30 February
        {2014, 13, 1, 0, 0, 0},   // month 13
        {2014, 3, 9, 2, 30, 0},   // a time the spring change skips
        {2014, 11, 2, 1, 30, 0},  // a time the autumn change repeats
        {2014, 6, 1, 99, 99, 99}, // a TIME_ON of 999999
        {2014, 0, 0, 0, 0, 0},    // QSO_DATE 20140000
    };
    for (const LocalFields& fields : cases) {
        // Asked twice: once to fill the cache and once to read it.
        const std::int64_t direct = make_local_time(fields);
        EXPECT_EQ(days.make_local_time(fields), direct) << fields.month << "/" << fields.day;
        EXPECT_EQ(days.make_local_time(fields), direct) << fields.month << "/" << fields.day;
    }
}

} // namespace
} // namespace q9xz
