#include "game/GxGameSceneServices.h"

#include "game/GxGlobalRenderTargets.h"
#include "game/SeqSystem.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxTexture.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskManage.h"

SeqSystem* GxGameSceneServices::FindSystemScene() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    return tm ? dynamic_cast<SeqSystem*>(tm->GetRootTree()) : nullptr;
}

GxTaskBase* GxGameSceneServices::GetUserDialogOwner() {
    SeqSystem* system = FindSystemScene();
    return system ? system->GetUserDialogOwner() : nullptr;
}

GxString GxGameSceneServices::GetPendingDialogRequest() {
    SeqSystem* system = FindSystemScene();
    return system ? system->GetPendingDialogRequest() : GxString();
}

void GxGameSceneServices::CloseUserDialog(bool playSound) {
    if (SeqSystem* system = FindSystemScene()) system->CloseUserDialog(playSound);
}

void GxGameSceneServices::CloseShutdownDialog(bool playSound) {
    if (SeqSystem* system = FindSystemScene()) system->CloseShutdownDialog(playSound);
}

void GxGameSceneServices::SetDialogResult(s32 result) {
    if (GxUserData* data = GxUserData::Get()) data->m_LastDialogResult = result;
}

void GxGameSceneServices::RenderToGlobalTexture() { GxRenderToGlobalTexture(GxCoreBase::GetCoreBase()); }

GxTextureBase* GxGameSceneServices::GetGlobalRenderTexture() { return GxGetGlobalRenderTexture(0); }
