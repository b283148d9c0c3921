#include "layers/GxNcMotionGroup.h"

GxNcMotion* GxNcMotionGroup::FindMotion(GxStringView name) const {
    for (const std::unique_ptr<GxNcMotion>& m : m_MotionList)
        if (m->m_MotionName == name) return m.get();
    return nullptr;
}
