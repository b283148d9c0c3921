#pragma once
// A notice's appearance on its two action channels: it slides down into the
// top-right corner of the 1024-pixel-wide screen (8 pixels from the right
// and top edges) while fading in over 250 ms, stays showTime milliseconds,
// slides out to the right while fading out over 250 ms, and hides itself.
// A second call starts over.
#include "base/GxTypes.h"

class GxTaskUINoticePanelFx;

void GxStartNoticeSlide(s32 showTime, GxTaskUINoticePanelFx* panel);
