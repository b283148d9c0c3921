#include "game/scenes/SeqOpening.h"

#include "base/GxFrameTimer.h"
#include "game/GxGameSound.h"
#include "gamedata/GxUserConfig.h"
#include "layers/GxTaskLayer.h"
#include "media/movie/GxMovie.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxUIManage.h"

namespace {
constexpr const GxChar* kEventCaller = u"null_eventcaller";
constexpr s32 kScreenWidth = 1024;
constexpr s32 kScreenHeight = 768;
// Once: the layer's loop count is the number of passes.
constexpr s32 kPlayOnce = 1;
constexpr s32 kUIEventDecide = 1;
constexpr s32 kUIEventCancel = 2;
} // namespace

SeqOpening::SeqOpening(GxTaskBase* parent) : GxSeqMenuBase(parent, u"SeqOpening", false) {
    new GxTaskUINull(GetUIFolder(), nullptr, kEventCaller, 0);
}

void SeqOpening::OnStartSequence(int) {
    m_FrameCount = 0;
    const GxSystemConfig& config = Config();
    if (config.m_MovNameOpening.empty()) return;
    const GxString path = config.m_FolderNames[kGxFolderMovies] + config.m_MovNameOpening;
    GxTaskLayer* layer = GetBackgroundLayer();
    if (!layer || GxMovie::RefuseUnplayable(path)) return;
    const GxUserConfig* settings = GxUserConfig::Get();
    layer->SetMovieContent(path, kScreenWidth, kScreenHeight, kPlayOnce, 0.0, settings ? settings->GetMovieVolume() : 0,
                           true, 0);
}

void SeqOpening::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    if (GxTaskLayer* layer = GetBackgroundLayer()) {
        layer->StopMovie();
        layer->ClearContent();
    }
}

int SeqOpening::Update(int, s64) {
    if (m_FrameCount == 0) {
        if (!Config().m_MovNameOpening.empty()) {
            GxApplyMovieVolume();
            // Opening the movie took its time; the frames after it are not late.
            if (GxCoreBase* core = GetCore()) core->GetFrameTimer()->Reset();
        }
    } else {
        GxTaskLayer* layer = GetBackgroundLayer();
        if (!layer || !layer->IsMoviePlaying()) ChangeSequence(u"SeqTitle");
    }
    ProcessUIEvents();
    ++m_FrameCount;
    return 0;
}

int SeqOpening::Click(s32 eventType) {
    const GxUIManage* ui = GxUIManage::Get();
    GxTaskFolder* folder = GetUIFolder();
    GxTaskUIBase* caller = folder ? GxTaskUIBase::FromTask(folder->FindTaskLocal(kEventCaller, 0)) : nullptr;
    if (!caller || (ui && ui->m_ModalLevel != 0) || !CanOperateUI(caller, 0)) return 0;
    caller->PostUIEvent(eventType);
    return 1;
}

int SeqOpening::OnLButtonDown(const GxVector2&, u32, bool) { return Click(kUIEventDecide); }
int SeqOpening::OnRButtonDown(const GxVector2&, u32, bool) { return Click(kUIEventCancel); }

bool SeqOpening::IsEventCaller(const GxTaskBase* sender) const {
    return sender && sender->GetTaskLocalName() == kEventCaller;
}

int SeqOpening::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    return IsEventCaller(sender) && ChangeSequence(u"SeqTitle") ? 1 : 0;
}

int SeqOpening::OnUIEventCancel(GxTaskBase* sender, const GxUIEventParam*) {
    return IsEventCaller(sender) && ChangeSequence(u"SeqTitle") ? 1 : 0;
}
