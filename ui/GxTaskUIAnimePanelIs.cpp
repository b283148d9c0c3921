#include "ui/GxTaskUIAnimePanelIs.h"

GxTaskUIAnimePanelIs::GxTaskUIAnimePanelIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                           s32 localIndex)
    : GxTaskUIPanelIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_EventBlockFlag = false;
}

bool GxTaskUIAnimePanelIs::LoadImages() {
    return LoadImage(u"GxTaskUIAnimePanelIs/ImageSet wasn't Loaded:%s[%s]\n",
                     u"GxTaskUIAnimePanelIs/Image not found:%s.png[%s]\n", true);
}

int GxTaskUIAnimePanelIs::Update(int step, s64 elapsed) {
    GxTaskUIPanelIs::Update(step, elapsed);
    const s32 count = GetPatternCount();
    // 64-bit, so that neither a negative speed nor the counter's wrap can
    // overflow the division.
    if (count > 0 && m_AnimeSpeed != 0 && s64(m_FrameCount) % s64(m_AnimeSpeed) == 0)
        m_PatternIndex = s32((s64(m_PatternIndex) + 1) % count);
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}
