#pragma once
// The system's time zone, as the script's clock builtins report it.
#include <cstdint>
#include <string>

namespace psys {

struct time_zone_info {
    std::string standard_name;     // the standard-time abbreviation ("JST"), UTF-8
    long standard_offset_seconds;  // east of UTC, daylight saving left out
};

// Read afresh on every call, so that a changed TZ takes effect.
time_zone_info local_time_zone();

// A moment on the local calendar.
struct local_date_time {
    int year = 1900;
    int month = 1;      // 1 to 12
    int day = 0;        // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;     // up to 60 for a leap second
    int week_day = 0;   // 0 is Sunday
    int year_day = 0;   // 0 is the first of January
};

// The moment, in seconds since 1970, in the local time zone; one the
// calendar cannot show (its year beyond an int) gives the fields' defaults.
local_date_time local_date_time_of(int64_t seconds);

} // namespace psys
