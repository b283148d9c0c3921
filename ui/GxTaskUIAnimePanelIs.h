#pragma once
// Widget type 16: an image-set panel that steps through the patterns of its
// image, one step every m_AnimeSpeed updates (none at speed 0). It lets
// presses through to the tasks behind it.
#include "ui/GxTaskUIPanelIs.h"

class GxTaskUIAnimePanelIs : public GxTaskUIPanelIs {
public:
    static constexpr s32 kTypeCode = 16;

    explicit GxTaskUIAnimePanelIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                  s32 localIndex = 0);

    // The panel update, then the pattern step; the counter word counts steps.
    int Update(int step, s64 elapsed) override;
    // As the image-set panel, also fetching the set without an image name.
    bool LoadImages() override;
};
