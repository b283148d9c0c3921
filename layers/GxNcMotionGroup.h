#pragma once
// A named group of motions of a layout project.
#include "layers/GxNcMotion.h"

#include <memory>
#include <vector>

class GxNcMotionGroup {
public:
    // The first motion of that name, or null.
    GxNcMotion* FindMotion(GxStringView name) const;

    GxString m_MotionGroupName;
    GxString m_EnumName;
    u32 m_MotionGroupID = 0;
    std::vector<std::unique_ptr<GxNcMotion>> m_MotionList;
};
