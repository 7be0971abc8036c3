#pragma once

#include "common/local_time.h"

#include <array>
#include <cstdint>

namespace q9xz {

// make_local_time for the many contacts of one conversion. Asking the platform costs a look at
// the time-zone files on every call, so the start of each day is asked once and a time within a
// day whose offset from UTC does not change is counted from there. Days with a daylight-saving
// change, and fields out of their ranges, still go to the platform. A cache lives for one
// conversion: the machine's time zone is read once per conversion.
class LocalDayCache {
  public:
    std::int64_t make_local_time(const LocalFields& fields);

  private:
    struct Day {
        std::int32_t key = -1; // year, month and day in one number; -1 when empty
        bool regular = false;  // the whole day has one offset from UTC
        std::int64_t start = 0;
    };
    static constexpr std::size_t DAYS = 512; // more than a year of distinct days
    std::array<Day, DAYS> days_;
};

} // namespace q9xz
