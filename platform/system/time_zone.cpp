#include "platform/system/time_zone.h"

#include <ctime>

namespace psys {
namespace {

// The zone's fixed offset: the offset of a day in January or July that is
// not in daylight saving time, else today's.
long standard_offset(const struct tm& today) {
    for (int month : {0, 6}) {
        struct tm probe = {};
        probe.tm_year = today.tm_year;
        probe.tm_mon = month;
        probe.tm_mday = 1;
        probe.tm_hour = 12;
        probe.tm_isdst = -1;
        const time_t t = mktime(&probe);
        struct tm local = {};
        if (t != time_t(-1) && localtime_r(&t, &local) && local.tm_isdst == 0) return local.tm_gmtoff;
    }
    return today.tm_gmtoff;
}

} // namespace

time_zone_info local_time_zone() {
    tzset();
    const time_t now = time(nullptr);
    struct tm today = {};
    localtime_r(&now, &today);
    return {tzname[0] ? tzname[0] : "", standard_offset(today)};
}

local_date_time local_date_time_of(int64_t seconds) {
    const time_t t = time_t(seconds);
    struct tm tm = {};
    local_date_time d;
    if (!localtime_r(&t, &tm)) return d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    d.week_day = tm.tm_wday;
    d.year_day = tm.tm_yday;
    return d;
}

} // namespace psys
