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

} // namespace psys
