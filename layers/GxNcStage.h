#pragma once
// A stage of a layout project: a placeholder the file lists; nothing of it
// is stored and nothing evaluates it.
#include "base/GxTypes.h"

class GxNcStage {
public:
    GxString m_StageName;
    GxString m_EnumName;
};
