#include "game/scenes/SeqBoot.h"

#include "game/scenes/GxSeqMenuBase.h"
#include "gamedata/GxUserData.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"

SeqBoot::SeqBoot(GxTaskBase* parent) : GxSeqTransitBase(parent, u"SeqBoot") {}

void SeqBoot::OnStartSequence(int) {
    if (GxUserData* data = GxUserData::Get()) data->ResetPlayState(false);
    if (GxCoreBase* core = GetCore()) core->CallModulesEnterTitle();
}

int SeqBoot::Update(int, s64) {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    const bool opening = config && !config->m_MovNameOpening.empty() && !GxSeqMenuBase::IsControlHeld();
    if (m_Manager) m_Manager->ChangeSequenceByName(opening ? u"SeqOpening" : u"SeqTitle", m_SeqWorkIndex, 0, 0);
    ++m_FrameCount;
    return 0;
}
