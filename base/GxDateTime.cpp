#include "base/GxDateTime.h"

#include "base/GxFormat.h"
#include "platform/system/clock.h"

#include <ctime>

namespace {
std::tm Local(s64 t) {
    std::tm tm{};
    time_t tt = time_t(t);
    if (!localtime_r(&tt, &tm)) tm = std::tm{};
    return tm;
}
} // namespace

s32 GxGetYear(s64 t) { return Local(t).tm_year + 1900; }
s32 GxGetMonth(s64 t) { return Local(t).tm_mon + 1; }
s32 GxGetDay(s64 t) { return Local(t).tm_mday; }
s32 GxGetHour(s64 t) { return Local(t).tm_hour; }
s32 GxGetMinute(s64 t) { return Local(t).tm_min; }
s32 GxGetSecond(s64 t) { return Local(t).tm_sec; }
s32 GxGetWeekDay(s64 t) { return Local(t).tm_wday; }
s32 GxGetYearDay(s64 t) { return Local(t).tm_yday; }

GxString GxFormatDateTime(s64 t) {
    std::tm tm = Local(t);
    GxString s = GxFormat(u"%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                          tm.tm_min, tm.tm_sec);
    // The text was formatted into a buffer of 31 characters.
    if (s.size() > 30) s.resize(30);
    return s;
}

GxString GxGetCurrentTimeString() { return GxFormatDateTime(psys::wall_time_seconds()); }
