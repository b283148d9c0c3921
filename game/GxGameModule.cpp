#include "game/GxGameModule.h"

#include "base/GxFrameTimer.h"
#include "base/GxLog.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskBase.h"
#include "tasks/GxTaskManage.h"
#include "game/AvgCore.h"
#include "game/SeqSystem.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxFileSystem.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"

namespace {
constexpr int kGameModuleEntry = 1;
constexpr s32 kFrameRate = 60;
constexpr u32 kScreenWidth = 1024;
constexpr u32 kScreenHeight = 768;
constexpr u32 kSwapEffectFlip = 2;
constexpr u32 kCursorModeArrow = 1;
} // namespace

void GxSetGameStartupDefaults(GxCoreBase* core) {
    GxDeleteDeviceLog();
    GxSystemConfig* config = core->GetSystemConfig();
    if (config && config->m_CleanErrorLog) {
        GxDeleteDebugLog();
        GxDeleteErrorLog();
    }
    GxGraphicsConfig& graphics = GxGraphics::GetConfig();
    graphics.m_ScreenWidth = graphics.m_BackBufferWidth = kScreenWidth;
    graphics.m_ScreenHeight = graphics.m_BackBufferHeight = kScreenHeight;
    graphics.m_DisplayMode = graphics.m_RequestedDisplayMode = SCRMODE_WINDOW;
    graphics.m_LockableBackBuffer = false;
    graphics.m_SwapEffect = kSwapEffectFlip;
    graphics.m_CursorMode = kCursorModeArrow;
    GxFrameTimer* timer = core->GetFrameTimer();
    timer->m_TargetRate = kFrameRate;
    timer->m_StepRate = kFrameRate;
}

void GxGameInitialize(GxCoreBase* core) {
    GxSystemConfig* config = core->GetSystemConfig();
    GxSetSkipSlightError(config && config->m_SkipSlightError);

    // The glyph maps of the configured sizes, each with the default face.
    static_assert(GxGlobalFonts::kFontMapCount == GxSystemConfig::kFontSizeCount);
    GxGlobalFonts::ReleaseAll();
    for (int i = 0; i < GxGlobalFonts::kFontMapCount; ++i)
        if (config) GxGlobalFonts::GetFontMap(i)->SetFont(config->m_FontSize[i], nullptr);

    GxLoadDataTables();
    GxUserConfig* settings = GxUserConfig::Get();
    if (settings) {
        GxInitKeyConfig(*settings);
        GxInitSystemVoiceActivated(*settings);
    }

    GxTaskManage* manager = core->GetTaskManage();
    GxTaskBase* top = manager->GetTopTask();
    if (!top) top = new GxTaskBase(manager);
    auto* system = new SeqSystem(top);
    manager->SetRootTree(system);

    AvgCore* game = AvgCore::GetInstance();
    core->SetModule(kGameModuleEntry, game);
    game->AttachCore(core);

    core->CallModulesStartup();
    // The script system (bundle, main worker, builtin registry) starts earlier
    // in the game's start-up; until then the registry is null.
    core->CallModulesRegisterBuiltins(g_pMoaFunctionBinder);
    // The permanent data before the settings; each reports its own failure
    // and the game goes on with what it has.
    if (GxUserDataPerman* perman = GxUserDataPerman::Get()) perman->Load(perman->GetFilePath());
    if (settings) {
        settings->Load();
        GxApplyKeyConfig(*settings);
    }
    // The menu scenes (boot, opening, title, configuration, save and load,
    // extras, debug) join here, made under the top task before the broadcast.
    core->CallModulesCreateSequences(top);

    manager->ChangeSequenceByName(u"SeqBoot", 0, 0, 0);

    // Nothing that start-up loaded stays in the cache; from here on it serves
    // the game.
    GxSetFileCacheEnable(true);
}

void GxGameTerminate(GxCoreBase* core) {
    core->CallModulesShutdown();
    core->CallModulesDetachCore();
    // Their page textures go before the device does.
    GxGlobalFonts::ReleaseAll();
}
