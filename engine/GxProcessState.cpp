#include "engine/GxProcessState.h"

#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxRuntimeRandom.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugWindow.h"
#include "game/GxGameModule.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxLight.h"
#include "io/GxDiskPath.h"
#include "io/GxFileSystem.h"
#include "layers/GxLayerTextSeam.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"
#include "media/movie/GxMovie.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/render/span_kernels.h"
#include "platform/system/clock.h"
#include "platform/system/safe_file.h"
#include "platform/window/event_pump.h"
#include "platform/window/window.h"
#include "tasks/GxInput.h"

void GxEndProcessServices(pwin::window* mainWindow) {
    // What a scene or the game still holds of the layout projects and image
    // sets is reported, projects first, and then let go: the projects give
    // their image sets back by name, so they are cleared first, and the sets
    // give their atlas textures back before the device reports textures.
    GxNcProjectFactory& projects = GxNcProjectFactory::GetInstance();
    GxNcCrammedImageSetFactory& imageSets = GxNcCrammedImageSetFactory::GetInstance();
    projects.ReportNotReleased();
    imageSets.ReportNotReleased();
    projects.ClearAll();
    imageSets.Clear();

    GxSound::Shutdown();
    GxAudio::Shutdown();
    GxMovie::Shutdown();
    GxReleaseInput();
    GxGraphics::FinalizeShader();
    GxGraphics::Finalize();

    // The device drew into the main window, so the window goes after it.
    if (mainWindow) {
        mainWindow->release_capture();
        mainWindow->destroy();
    }
    // What is still queued was meant for windows that are gone.
    pwin::discard_events();
    pwin::release_cursors();
    GxDestroyDebugWindow();
}

void GxResetProcessState() {
    // The program's own end, each part as the program runs it.
    GxGameTerminate(nullptr);
    GxEndProcessServices(nullptr);
    GxResetFileSystem();

    // What a new process has and a finished one does not.
    GxUserConfig::Set(nullptr);
    GxUserData::Set(nullptr);
    GxUserDataPerman::Set(nullptr);
    GxResetDataTables();
    GxGlobalFonts::ResetFontMaps();
    GxSetLayerTextDrawer(nullptr);
    paudio::output_device::instance().set_mode(paudio::output_mode::automatic);
    GxGraphics::ForgetStartup();
    GxResetLightsAndCamera();
    prender::detail::limit_span_simd(prender::detail::simd_level::avx2);
    GxResetInput();
    pwin::reset_window_system();
    GxClearDiskPathCache();
    GxRandom::ResetShared();
    GxRuntimeRandom::Seed(1);
    GxDebugConsoleOutputEx::GetInstance()->Clear();
    GxResetLogs();
    psys::set_safe_file_step_hook(nullptr);
    GxPersistFile::SetFailureForPlayer({});
    psys::forget_folders();
    psys::set_current_clock(nullptr);
}
