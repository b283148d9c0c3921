#pragma once
// What scenes need of the game module: the resident system scene's dialog
// state and its closers, the game state's dialog result, and the off-screen
// capture of the screen that a scene transition fades from. The game module
// sits above the scenes, so it installs the one implementation; with none
// installed the dialogs are never open and nothing is captured.
#include "base/GxTypes.h"

class GxTaskBase;
class GxTextureBase;

class GxSceneGameServices {
public:
    static GxSceneGameServices* Get();
    static void Set(GxSceneGameServices* services);

    virtual ~GxSceneGameServices() = default;

    // The scene that owns the open common user dialog ("dlg_user"), or null.
    virtual GxTaskBase* GetUserDialogOwner() = 0;
    // The name of the pending dialog request ("SeqAvgMain_USERDIALOG" for the
    // common user dialog).
    virtual GxString GetPendingDialogRequest() = 0;
    virtual void CloseUserDialog(bool playSound) = 0;
    virtual void CloseShutdownDialog(bool playSound) = 0;
    // The game state's dialog result.
    virtual void SetDialogResult(s32 result) = 0;
    // Renders every task tree once into the global render texture.
    virtual void RenderToGlobalTexture() = 0;
    // The global render texture (1024 x 768), or null until the game made it.
    virtual GxTextureBase* GetGlobalRenderTexture() = 0;
};
