#pragma once
// The system tool tip: the widget registered as "tip_help" is resumed, shown
// and given the text, then placed at the position. Widgets call it for their
// automatic tool tip; a game without a "tip_help" widget shows none.
#include "base/GxVector.h"

class GxTaskManage;

void GxShowTipHelp(GxTaskManage* manager, const GxChar* text, const GxVector4* position);
