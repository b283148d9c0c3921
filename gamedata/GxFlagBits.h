#pragma once
// Flag bit arrays: flag n lives in word n / 32, bit n mod 32 (bit 0 the least
// significant). An array only grows: setting a flag past its end enlarges it
// with zero words; testing past its end gives false. Negative flag numbers
// are no flags.
#include "base/GxTypes.h"

#include <vector>

using GxFlagWords = std::vector<u32>;

void GxSetFlagBit(GxFlagWords& words, s32 flag);
bool GxTestFlagBit(const GxFlagWords& words, s32 flag);
// Sets in words every flag set in other; whether that set any flag.
bool GxMergeFlagWords(GxFlagWords& words, const GxFlagWords& other);
