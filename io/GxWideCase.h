#pragma once
// Lower-casing of wide text as the Japanese locale of the original platform
// does it for file names: ASCII, Latin-1 and Latin Extended-A, Greek,
// Cyrillic, Roman numerals, circled letters and full-width Latin letters.
// Pack entry names and case-insensitive disk look-ups both use it, so a name
// matches the same way in a pack and on disk.
#include "base/GxTypes.h"

GxChar GxWideToLower(GxChar c);
GxString GxToLowerWide(GxStringView s);
