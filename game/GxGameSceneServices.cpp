#include "game/GxGameSceneServices.h"

#include "game/GxGlobalRenderTargets.h"
#include "game/SeqSystem.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxTexture.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskManage.h"

GxTaskBase* GxGameSceneServices::GetUserDialogOwner() {
    SeqSystem* system = SeqSystem::Get();
    return system ? system->GetUserDialogOwner() : nullptr;
}

GxString GxGameSceneServices::GetPendingDialogRequest() {
    SeqSystem* system = SeqSystem::Get();
    return system ? system->GetPendingDialogRequest() : GxString();
}

void GxGameSceneServices::CloseUserDialog(bool playSound) {
    if (SeqSystem* system = SeqSystem::Get()) system->CloseUserDialog(playSound);
}

void GxGameSceneServices::CloseShutdownDialog(bool playSound) {
    if (SeqSystem* system = SeqSystem::Get()) system->CloseShutdownDialog(playSound);
}

void GxGameSceneServices::SetDialogResult(s32 result) {
    if (GxUserData* data = GxUserData::Get()) data->m_LastDialogResult = result;
}

void GxGameSceneServices::RenderToGlobalTexture() { GxRenderToGlobalTexture(GxCoreBase::GetCoreBase()); }

GxTextureBase* GxGameSceneServices::GetGlobalRenderTexture() { return GxGetGlobalRenderTexture(0); }
