#pragma once
// The pictures the sample's story shows: its backgrounds under "cg/bg/", the
// rule picture of its wipes under "cg/tr/", and both characters' standing
// pictures under the folders the character table names (a body, a smiling
// face laid over it, and a whole worried picture), all drawn by the
// generator.
#include "tools/SampleCanvas.h"
#include "tools/SampleFiles.h"

namespace qtools {

void AddStoryArt(SampleFiles& files);
// The night sky the last scene is played under, for the replay's thumbnail.
SampleCanvas NightBackground();

} // namespace qtools
