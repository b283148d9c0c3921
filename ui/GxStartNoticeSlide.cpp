#include "ui/GxStartNoticeSlide.h"

#include "layers/GxActorActions.h"
#include "ui/GxTaskUINoticePanelFx.h"

namespace {
constexpr f32 kScreenWidth = 1024.0f;
constexpr f32 kMargin = 8.0f;
constexpr s32 kSlideTime = 250;
} // namespace

void GxStartNoticeSlide(s32 showTime, GxTaskUINoticePanelFx* panel) {
    if (!panel) return;
    panel->ClearActions();
    panel->SetAlpha(0);
    panel->Show();
    const f32 x = kScreenWidth - (f32(panel->GetWidth()) + kMargin);
    panel->SetPos(x, -f32(panel->GetHeight()), 0, 0);
    const f32 shown[4] = {x, kMargin, 0, 0};
    GxAddActionMove(shown, kSlideTime, panel, 2);
    GxAddActionFadeIn(1, kSlideTime, panel);
    GxAddActionWait(0, showTime, panel);
    GxAddActionWait(1, showTime, panel);
    const f32 gone[4] = {kScreenWidth, kMargin, 0, 0};
    GxAddActionMove(gone, kSlideTime, panel, 3);
    GxAddActionFadeOut(1, kSlideTime, panel);
    GxAddActionHide(panel);
}
