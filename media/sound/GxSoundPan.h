#pragma once
// A pan runs from -10000 (all left) to 10000 (all right), in both back ends.
#include "base/GxTypes.h"

// What a stream remembers as its pan before it has applied one: outside the
// range, so that the first pan asked for is always applied.
constexpr s32 kGxPanNotSet = 100000;
