#include "scenes/GxSeqTransitBase.h"

#include "base/GxFColor.h"
#include "graphics/GxDraw.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "scenes/GxSceneGameServices.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxTaskUIBase.h"

#include <algorithm>
#include <limits>

namespace {
constexpr u32 kTransitEventMask = kGxEventSkipMouse | kGxEventSkipKeyInput | kGxEventSkipKeyAction;
// The captured screen, drawn unscaled over the whole virtual screen.
constexpr f32 kCaptureSource[4] = {0.0f, 0.0f, 1024.0f, 768.0f};
constexpr u32 kBlendAlpha = 2;
} // namespace

GxSeqTransitBase::GxSeqTransitBase(GxTaskBase* parent, const GxChar* name) : GxSeqBase(parent, name) {
    TypeBits |= kGxTypeTransitSequence;
}

GxSeqTransitBase::~GxSeqTransitBase() = default;

bool GxSeqTransitBase::StartTransit(int milliseconds) {
    m_TransitParam.m_TransitTimeLeft = milliseconds;
    m_TransitParam.m_TransitTimeTotal = milliseconds;
    m_TransitParam.m_Transit = true;
    EventMask |= kTransitEventMask;
    return true;
}

int GxSeqTransitBase::FinishTransit() {
    if (!m_TransitParam.m_Transit) return 0;
    m_TransitParam.m_TransitTimeLeft = 0;
    m_TransitParam.m_Transit = false;
    EventMask &= ~kTransitEventMask;
    return 1;
}

void GxSeqTransitBase::OnEndSequence(int workerIndex) {
    GxSeqBase::OnEndSequence(workerIndex);
    FinishTransit();
    // Ended on no worker (at shutdown, or by a proxy's walk), there is no
    // next scene to fade in.
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(workerIndex) : nullptr;
    GxTaskBase* next = worker ? worker->m_PendingTask : nullptr;
    if (!next || !(next->TypeBits & kGxTypeTransitSequence)) return;
    if (GxSceneGameServices* game = GxSceneGameServices::Get()) game->RenderToGlobalTexture();
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    static_cast<GxSeqTransitBase*>(next)->StartTransit(config ? config->m_SceneTransitTime : 400);
}

int GxSeqTransitBase::UpdateBeforeMain(int, s64 elapsed) {
    if (m_TransitParam.m_Transit) {
        // Whole milliseconds only: a frame shorter than 1 ms takes nothing off.
        const s64 left = s64(m_TransitParam.m_TransitTimeLeft) + elapsed / -1000;
        if (left < 1) {
            m_TransitParam.m_TransitTimeLeft = 0;
            m_TransitParam.m_Transit = false;
        } else {
            m_TransitParam.m_TransitTimeLeft = s32(std::min<s64>(left, std::numeric_limits<s32>::max()));
            return 0;
        }
    }
    EventMask &= ~kTransitEventMask;
    if (m_SeqWorkIndex >= 0 && m_Manager) m_Manager->StartMain(m_SeqWorkIndex);
    return 0;
}

int GxSeqTransitBase::EnqueueRender(int, s64) {
    GxCoreBase* core = GetCore();
    if (!core) return 0;
    if (GxTaskRenderManage* first = core->GetRenderList(0)) first->AddTask(0, this, 0.0f, 0);
    // Over every scene's widget, and under the resident system scene's.
    if (m_TransitParam.m_Transit)
        if (GxTaskRenderManage* last = core->GetRenderList(kGxUITopMostRenderList))
            last->AddTask(GxTaskRenderManage::kSortAscending, this, std::numeric_limits<f32>::max(), 1);
    return 0;
}

int GxSeqTransitBase::Render(int drawParam, int) {
    if (drawParam == 0)
        ClearScreen();
    else if (drawParam == 1)
        RenderTransit();
    return 0;
}

void GxSeqTransitBase::RenderTransit() {
    if (!m_TransitParam.m_Transit) return;
    // Until the game captured a screen there is nothing to fade from.
    GxSceneGameServices* game = GxSceneGameServices::Get();
    GxTextureBase* capture = game ? game->GetGlobalRenderTexture() : nullptr;
    if (!capture || !GxGraphics::BeginScene()) return;
    GxSetDefaultRenderStates();
    const GxFColor colour(1.0f, 1.0f, 1.0f, 1.0f - m_TransitParam.GetProgress());
    GxDrawSprite(capture, 0.0f, 0.0f, kCaptureSource, nullptr, nullptr, nullptr, &GxVector2Zero, colour.ToARGB(), 0,
                 kBlendAlpha);
    GxGraphics::EndScene();
}
