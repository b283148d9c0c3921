#include "engine/GxExecuteFrame.h"

#include "base/GxFormat.h"
#include "base/GxStringUtil.h"
#include "engine/GxCore.h"
#include "engine/GxDebugWindow.h"
#include "tasks/GxInput.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "graphics/GxGraphics.h"

namespace {

// The title buffer holds 255 characters.
constexpr size_t kTitleMax = 255;

void UpdateTitle(GxCore* core) {
    GxFrameTimer& timer = *core->GetFrameTimer();
    const GxSystemConfig* config = core->GetSystemConfig();
    // A new measurement exists only right after the timer recomputed it.
    if (!core->GetMainWindow().exists() || !GxGraphics::GetDevice() || timer.m_WindowFrames != 0 || !config ||
        !config->m_DebugModeFlag)
        return;
    GxString title = GxFormat(u"%s FPS %2.2f/%d", core->GetTitle(), double(timer.m_MeasuredRate), timer.m_TargetRate);
    if (title.size() > kTitleMax) title.resize(kTitleMax);
    core->GetMainWindow().set_title(GxToUtf8(title));
}

void RunStep(GxCore* core, GxTaskManage* tm, int step, s64 elapsed) {
    core->ClearRenderLists();
    tm->SweepTaskTree(tm->GetTopTask());
    if (GxSharedAssetManage* assets = core->GetSharedAssetManage()) assets->Tick();
    GxUpdateInput();
    if (GxIsAnyInput()) tm->DispatchKeyActionUpdate(GxGetKeyMapInputState(), step, elapsed);
    for (int slot = 0; slot < kGxInputSlotCount; ++slot) {
        GxInputState* state = GxGetInputState(slot);
        if (!state) continue;
        for (int stick = 0; stick < GxInputState::kStickCount; ++stick)
            if (state->m_StickActive[stick]) tm->DispatchKeyAction(&state->m_Sticks[stick], slot, stick, step, elapsed);
    }
    tm->Update(step, elapsed);
    tm->EnqueueRender(step, elapsed);
}

} // namespace

bool GxExecuteFrame(GxCore* core) {
    GxFrameTimer& timer = *core->GetFrameTimer();
    timer.WaitNextFrame();
    UpdateTitle(core);

    if (GxTaskManage* tm = core->GetTaskManage()) {
        tm->m_StopUpdateFlag = false;
        for (int step = 0; step < timer.m_StepsDue; ++step) {
            RunStep(core, tm, step, step == 0 ? timer.m_Elapsed : 0);
            // A scene change is applied by the main loop before any further
            // step; a stopped update walk ends the frame's stepping.
            if (tm->IsSequenceChangePending() || tm->m_StopUpdateFlag) break;
        }
    }

    core->DrawRenderLists();
    GxRepaintDebugWindow();
    GxGraphics::Present();
    return true;
}
