#pragma once
// Checks on the counts that stored scripts and saves carry: a count is only
// believed when it is not negative and the bytes left could hold that many
// records; otherwise the read stops with a logged error instead of a huge
// allocation or a long run of failing reads.
#include "core/base/GxTypes.h"

class GxContentReaderBase;

// Reads a list's begin and checks its count. who names the caller in the log.
bool GxMoaReadListBegin(GxContentReaderBase& reader, const char* name, u32* count, const GxChar* who);
// Reads a signed 32-bit count and checks it; a negative count is refused.
bool GxMoaReadCount(GxContentReaderBase& reader, const char* name, s32* count, const GxChar* who);
// Whether a count of records may follow in the bytes that remain.
bool GxMoaCountFits(const GxContentReaderBase& reader, u64 count);
