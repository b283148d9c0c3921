#pragma once
// What scenes need of the game: the system scene's dialogs, the game state's
// dialog result and the capture of the screen for their transitions.
#include "scenes/GxSceneGameServices.h"

class GxGameSceneServices : public GxSceneGameServices {
public:
    GxTaskBase* GetUserDialogOwner() override;
    GxString GetPendingDialogRequest() override;
    void CloseUserDialog(bool playSound) override;
    void CloseShutdownDialog(bool playSound) override;
    void SetDialogResult(s32 result) override;
    void RenderToGlobalTexture() override;
    GxTextureBase* GetGlobalRenderTexture() override;
};
