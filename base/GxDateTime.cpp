#include "base/GxDateTime.h"

#include "base/GxFormat.h"
#include "platform/system/clock.h"
#include "platform/system/time_zone.h"

s32 GxGetYear(s64 t) { return psys::local_date_time_of(t).year; }
s32 GxGetMonth(s64 t) { return psys::local_date_time_of(t).month; }
s32 GxGetDay(s64 t) { return psys::local_date_time_of(t).day; }
s32 GxGetHour(s64 t) { return psys::local_date_time_of(t).hour; }
s32 GxGetMinute(s64 t) { return psys::local_date_time_of(t).minute; }
s32 GxGetSecond(s64 t) { return psys::local_date_time_of(t).second; }
s32 GxGetWeekDay(s64 t) { return psys::local_date_time_of(t).week_day; }
s32 GxGetYearDay(s64 t) { return psys::local_date_time_of(t).year_day; }

GxString GxFormatDateTime(s64 t) {
    const psys::local_date_time d = psys::local_date_time_of(t);
    GxString s = GxFormat(u"%04d/%02d/%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    // The text was formatted into a buffer of 31 characters.
    if (s.size() > 30) s.resize(30);
    return s;
}

GxString GxGetCurrentTimeString() { return GxFormatDateTime(psys::wall_time_seconds()); }
