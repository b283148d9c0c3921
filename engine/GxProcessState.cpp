#include "engine/GxProcessState.h"

#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxRuntimeRandom.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugWindow.h"
#include "game/AvgCore.h"
#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxLight.h"
#include "io/GxDiskPath.h"
#include "io/GxFileSystem.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLayerTextSeam.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxNcProjectFactory.h"
#include "media/movie/GxMovie.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/system/clock.h"
#include "platform/system/safe_file.h"
#include "platform/window/window.h"
#include "scenes/GxSceneGameServices.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxInput.h"

void GxResetProcessState() {
    // The game's part, as GxGameTerminate ends it: the icons point into the
    // pool's sets, and the sets and render targets go before the device.
    GxMoaShutdown();
    GxGlobalFonts::Reset();
    GxClearIconIndex();
    GxNcImageSetPool::Clear();
    GxReleaseGlobalRenderTargets();
    GxResetSoundState();
    AvgCore::GetInstance()->DetachCore();
    GxUserDataHost::Set(nullptr);
    GxLayerServices::Set(nullptr);
    GxSceneGameServices::Set(nullptr);
    GxUserConfig::Set(nullptr);
    GxUserData::Set(nullptr);
    GxUserDataPerman::Set(nullptr);
    GxResetDataTables();

    // The process object's part, as GxCore::Finalize ends it: the projects
    // give their image sets back by name, the sets their atlas textures.
    GxNcProjectFactory::GetInstance().ClearAll();
    GxNcCrammedImageSetFactory::GetInstance().Clear();
    GxSound::Shutdown();
    GxAudio::Shutdown();
    GxMovie::Shutdown();
    paudio::output_device::instance().set_mode(paudio::output_mode::automatic);
    GxResetInput();
    GxGraphics::Reset();
    GxResetLightsAndCamera();
    GxDestroyDebugWindow();
    pwin::reset_window_system();
    GxSetLayerTextDrawer(nullptr);

    GxResetFileSystem();
    GxClearDiskPathCache();
    GxSetBGMRestraintLevel(100);
    GxRandom::ResetShared();
    GxRuntimeRandom::Seed(1);
    GxDebugConsoleOutputEx::GetInstance()->Clear();
    GxResetLogs();
    psys::set_safe_file_hook(nullptr);
    psys::set_current_clock(nullptr);
}
