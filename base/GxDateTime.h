#pragma once
// Calendar fields of 64-bit time values (seconds since 1970) in local time.
#include "base/GxTypes.h"

s32 GxGetYear(s64 t);
s32 GxGetMonth(s64 t);    // 1 to 12
s32 GxGetDay(s64 t);      // day of the month
s32 GxGetHour(s64 t);     // 0 to 23
s32 GxGetMinute(s64 t);
s32 GxGetSecond(s64 t);
s32 GxGetWeekDay(s64 t);  // 0 to 6, Sunday 0
s32 GxGetYearDay(s64 t);  // 0 to 365
// "YYYY/MM/DD hh:mm:ss" in local time.
GxString GxFormatDateTime(s64 t);
GxString GxGetCurrentTimeString();
