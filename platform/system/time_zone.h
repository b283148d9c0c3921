#pragma once
// The system's time zone, as the script's clock builtins report it.
#include <string>

namespace psys {

struct time_zone_info {
    std::string standard_name;     // the standard-time abbreviation ("JST"), UTF-8
    long standard_offset_seconds;  // east of UTC, daylight saving left out
};

// Read afresh on every call, so that a changed TZ takes effect.
time_zone_info local_time_zone();

} // namespace psys
