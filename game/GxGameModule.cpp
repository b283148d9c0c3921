#include "game/GxGameModule.h"

#include "base/GxFrameTimer.h"
#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxRuntimeRandom.h"
#include "game/AvgCore.h"
#include "game/GxGameLayerServices.h"
#include "game/GxGameMoaMainHost.h"
#include "game/GxGameSceneServices.h"
#include "game/GxGameScenes.h"
#include "game/GxGameSound.h"
#include "game/GxGameUserDataHost.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "game/SeqSystem.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxFileSystem.h"
#include "layers/GxActorActions.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/system/clock.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxModuleCoreBase.h"
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskBase.h"
#include "tasks/GxTaskManage.h"

namespace {

constexpr int kGameModuleEntry = 1;
constexpr s32 kFrameRate = 60;
constexpr u32 kScreenWidth = 1024;
constexpr u32 kScreenHeight = 768;
constexpr u32 kRefreshRate = 60;
constexpr u32 kColourBits = 32;
constexpr u32 kDepthBits = 24;
constexpr u32 kSwapEffectFlip = 2;
constexpr u32 kCursorModeArrow = 1;
// GxCoreBase::SetMouseCursor's standard arrow.
constexpr int kCursorArrow = 6;
constexpr int kJobWorkers = 2;
constexpr int kMenuSceneScope = 2;
constexpr const GxChar* kMenuSceneScopeNames[] = {
    u"SeqBoot", u"SeqTitle",      u"SeqOpening", u"SeqConfig",  u"SeqSave", u"SeqLoad",
    u"SeqCGMode", u"SeqCGModeView", u"SeqRPMode", u"SeqBGMMode", u"SeqDebug",
};
constexpr const GxChar* kUIImageSets[] = {u"ui_common.gis", u"ui_avgmain.gis", u"ui_iconpool.gis"};
constexpr const GxChar* kIconImageSet = u"ui_iconpool.gis";
constexpr s32 kSoundEngineAuto = 0;
constexpr s32 kSoundEngineDirectSound = 1;
constexpr s32 kSoundEngineXAudio2 = 2;
constexpr int kModernWindowsMajor = 6;

// The bitmap fonts of slots 0 to 2: uniform grids in the font folder.
struct BitmapFont {
    const GxChar* name;
    GxChar first, last;
    s32 cellWidth, cellHeight;
    u32 columns;
};
constexpr BitmapFont kBitmapFonts[] = {
    {u"FONT16SYS", 32, 126, 8, 16, 16},
    {u"FONT8NUM", 32, 57, 8, 16, 7},
    {u"FONT22NUM", 48, 57, 22, 32, 5},
};

// The game's services to the libraries below it, installed for the game's
// lifetime.
GxGameUserDataHost g_UserDataHost;
GxGameLayerServices g_LayerServices;
GxGameSceneServices g_SceneServices;
GxGameMoaMainHost g_MainHost;

void InstallServices(bool install) {
    GxUserDataHost::Set(install ? &g_UserDataHost : nullptr);
    GxLayerServices::Set(install ? &g_LayerServices : nullptr);
    GxSceneGameServices::Set(install ? &g_SceneServices : nullptr);
}

void LoadFonts(const GxSystemConfig& config) {
    GxGlobalFonts::ReleaseAll();
    const GxString& folder = config.m_FolderNames[kGxFolderFonts];
    for (int i = 0; i < int(std::size(kBitmapFonts)); ++i) {
        const BitmapFont& f = kBitmapFonts[i];
        const GxString image = folder + f.name + u".png";
        GxGlobalFonts::GetFontData(i)->Create(f.name, image.c_str(), f.first, f.last, f.cellWidth, f.cellHeight,
                                              f.columns);
    }
    static_assert(GxGlobalFonts::kFontMapCount == GxSystemConfig::kFontSizeCount);
    for (int i = 0; i < GxGlobalFonts::kFontMapCount; ++i) GxGlobalFonts::GetFontMap(i)->SetFont(config.m_FontSize[i], nullptr);
    if (!config.m_MesWinTextBuiltinFontName.empty()) {
        const GxString base = folder + config.m_MesWinTextBuiltinFontName;
        GxGlobalFonts::GetMessageFont()->CreateFromFile((base + u".fmp").c_str(), (base + u".png").c_str());
    }
}

void StartScript(GxCoreBase* core) {
    GxMoaStartup(core);
    if (g_pMoaMainWorker()) g_pMoaMainWorker()->SetMainHost(&g_MainHost);
    LoadMoaBincode();
}

void OpenSharedScopes(GxCoreBase* core) {
    GxSharedAssetManage* assets = core->GetSharedAssetManage();
    if (!assets) return;
    assets->m_AsyncJobManage.CreateThread(kJobWorkers, false);
    for (int i = 0; i <= kMenuSceneScope; ++i) assets->OpenScope(i);
    if (GxSharedScope* scope = assets->GetScope(kMenuSceneScope))
        for (const GxChar* name : kMenuSceneScopeNames) scope->AddSequenceName(name);
}

void AddUIImageSets(const GxSystemConfig& config) {
    const GxString& folder = config.m_FolderNames[kGxFolderUIGis];
    for (const GxChar* name : kUIImageSets) GxNcImageSetPool::Add(folder + name);
    GxBuildIconIndex(GxNcImageSetPool::Get(folder + kIconImageSet));
}

void ChooseSoundEngine(GxSystemConfig& config, s32 mode) {
    switch (mode) {
    case kSoundEngineAuto: {
        int major = 0;
        GxCoreBase::GetWindowsVersion(&major, nullptr);
        config.m_UseXAudio2 = major >= kModernWindowsMajor;
        break;
    }
    case kSoundEngineDirectSound: config.m_UseXAudio2 = false; break;
    case kSoundEngineXAudio2: config.m_UseXAudio2 = true; break;
    default: break;
    }
    GxWriteDeviceLog(config.m_UseXAudio2 ? u"サウンドエンジンにXAudio2が選択されました\n"
                                         : u"サウンドエンジンにDirectSoundが選択されました\n");
}

void ApplyScreenMode(GxUserConfig& settings) {
    if (settings.m_ScreenMode == 1 && !GxGraphics::ChangeDisplayMode(SCRMODE_FULLSCREEN)) settings.m_ScreenMode = 0;
}

// The resident tree: the top task with the system scene, which becomes the
// task manager's root tree, then the menu scenes beside it.
GxTaskBase* CreateResidentTree(GxTaskManage* manager) {
    GxTaskBase* top = manager->GetTopTask();
    if (!top) top = new GxTaskBase(manager);
    new SeqSystem(top);
    manager->SetRootTree(manager->FindTaskName(u"SeqSystem"));
    GxCreateScenes(GxGetMenuScenes(), top);
    return top;
}

void SeedRandomNumbers() {
    const u32 seed = u32(psys::wall_time_seconds()) + u32(psys::now_ms());
    GxRuntimeRandom::Seed(seed);
    GxRandom::Default().Seed(seed);
}

GxTaskLayer* FindMainSceneLayer(const GxChar* name) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* task = tm ? tm->FindTaskName(name) : nullptr;
    return task && (task->TypeBits & kGxTypeLayer) ? static_cast<GxTaskLayer*>(task) : nullptr;
}

void StartGlobalFade(s32 time, bool in) {
    GxTaskLayer* fade = FindMainSceneLayer(u"$GLOBALFADE:SeqAvgMain");
    if (!fade) return;
    fade->ClearActions();
    if (time < 1)
        fade->SetAlpha(in ? 0 : 255);
    else if (in)
        GxAddActionFadeOut(0, time, fade);
    else
        GxAddActionFadeIn(0, time, fade);
}

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
    graphics.m_RefreshRate = kRefreshRate;
    graphics.m_BackBufferBits = graphics.m_TextureBits = kColourBits;
    graphics.m_DepthStencilBits = kDepthBits;
    graphics.m_DisplayMode = graphics.m_RequestedDisplayMode = SCRMODE_WINDOW;
    graphics.m_LockableBackBuffer = false;
    graphics.m_SwapEffect = kSwapEffectFlip;
    graphics.m_CursorMode = kCursorModeArrow;
    GxFrameTimer* timer = core->GetFrameTimer();
    timer->m_TargetRate = kFrameRate;
    timer->m_StepRate = kFrameRate;
}

bool GxGameInitialize(GxCoreBase* core) {
    // Without the core's configuration the built-in one serves this start-up
    // alone: the sound engine chosen into it is not kept for the next.
    GxSystemConfig builtIn;
    GxSystemConfig& config = core->GetSystemConfig() ? *core->GetSystemConfig() : builtIn;
    GxSetSkipSlightError(config.m_SkipSlightError);
    // The debug console's log listener is the core's to install: the console
    // lives above the game.
    InstallServices(true);
    if (config.m_AutoCompile) RunScriptCompiler();
    core->SetMouseCursor(kCursorArrow);
    GxNcImageSetPool::Clear();
    GxClearIconIndex();
    GxCreateGlobalRenderTargets();
    GxResetSoundState();
    LoadFonts(config);
    StartScript(core);

    GxLoadDataTables();
    GxUserConfig* settings = GxUserConfig::Get();
    if (settings) {
        GxInitKeyConfig(*settings);
        GxInitSystemVoiceActivated(*settings);
    }
    OpenSharedScopes(core);

    AvgCore* game = AvgCore::GetInstance();
    core->SetModule(kGameModuleEntry, game);
    game->AttachCore(core);
    AddUIImageSets(config);
    core->CallModulesStartup();
    core->CallModulesRegisterBuiltins(g_pMoaFunctionBinder());

    // The permanent data before the settings; each reports its own failure
    // and the game goes on with what it has.
    if (GxUserDataPerman* perman = GxUserDataPerman::Get()) perman->Load(perman->GetFilePath());
    if (settings) {
        settings->Load();
        GxApplyKeyConfig(*settings);
    }
    ChooseSoundEngine(config, settings ? settings->m_SoundEngineMode : kSoundEngineAuto);
    if (settings) ApplyScreenMode(*settings);

    if (GxTaskManage* manager = core->GetTaskManage()) {
        GxTaskBase* top = CreateResidentTree(manager);
        core->CallModulesCreateSequences(top);
        manager->ChangeSequenceByName(u"SeqBoot", 0, 0, 0);
    }
    SeedRandomNumbers();
    // Nothing that start-up loaded stays in the cache; from here on it serves
    // the game.
    GxSetFileCacheEnable(true);
    return true;
}

bool GxGameTerminate(GxCoreBase* core) {
    if (core) {
        core->CallModulesShutdown();
        if (GxSharedAssetManage* assets = core->GetSharedAssetManage()) {
            assets->m_AsyncJobManage.Shutdown();
            assets->ReleaseAll();
        }
    }
    GxGlobalFonts::ReleaseAll();
    GxMoaShutdown();
    // The icons point into the pool's sets.
    GxClearIconIndex();
    GxNcImageSetPool::Clear();
    GxReleaseGlobalRenderTargets();
    GxResetSoundState();
    // Start-up put the game module into the core's table; with no core to
    // tell, it is detached itself.
    if (core)
        core->CallModulesDetachCore();
    else
        AvgCore::GetInstance()->DetachCore();
    InstallServices(false);
    return true;
}

void GxStartGlobalFadeIn(s32 time) { StartGlobalFade(time, true); }
void GxStartGlobalFadeOut(s32 time) { StartGlobalFade(time, false); }

namespace {

// The scene a loaded game resumes on: the one a module names, else the one
// the game state names.
GxTaskBase* FindResumeScene(GxTaskManage* tm, const GxString& restoreName) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    for (int i = 0; core && i < GxCoreBase::kModuleCount; ++i)
        if (GxModuleCoreBase* module = core->GetModule(i))
            if (GxTaskBase* task = module->GetResumeSequence()) return task;
    return restoreName.empty() ? nullptr : tm->FindTaskNameStr(restoreName);
}

// Refuses a scene the worker could not change to now, as the change itself
// would judge it, with the line the change would log: true when refused. The
// name comes from a save file: the resident scene is no scene to run on a
// worker.
bool RefuseResumeOn(GxTaskManage* tm, GxTaskBase* task, const GxString& restoreName) {
    if (!task && restoreName.empty()) {
        GxWriteErrorLog(u"名前のないタスクは遷移先のシーケンスに指定できません\n");
        return true;
    }
    if (!task || task == tm->GetRootTree()) {
        GxWriteErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", restoreName);
        return true;
    }
    if (!(task->TypeBits & kGxTypeSequence)) {
        GxWriteErrorLog(u"指定されたタスクはシーケンスタスクではありません(%s)\n", task->GetTaskName());
        return true;
    }
    const s32 running = static_cast<const GxSeqTaskBase*>(task)->GetSeqWorkIndex();
    if (running != -1) {
        GxWriteErrorLog(u"既に実行中のシーケンスに遷移することはできません(%s:seqworkindex=%d)\n", task->GetTaskName(),
                        running);
        return true;
    }
    return false;
}

} // namespace

bool GxResumeLoadedGame(int workerIndex) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    if (!tm) return false;
    const GxUserData* data = GxUserData::Get();
    const GxString name = data ? data->GetRestoreSequence() : GxString();
    GxTaskBase* task = FindResumeScene(tm, name);
    return !RefuseResumeOn(tm, task, name) && tm->ChangeSequence(task, workerIndex, 0, 0);
}

GxLoadResult GxLoadSavedGame(const GxString& path) {
    GxUserData* data = GxUserData::Get();
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    // A file that cannot load, or that would leave the player in no scene,
    // must not cost the game that is playing.
    GxGameDataHeader header;
    if (!data || !data->CheckGameData(path) || !data->ReadGameDataHeader(path, &header)) return GxLoadResult::Refused;
    if (tm && RefuseResumeOn(tm, FindResumeScene(tm, header.m_RestoreSequence), header.m_RestoreSequence))
        return GxLoadResult::Refused;
    data->ResetPlayState(true);
    if (core) core->CallModulesLoadGame();
    const bool loaded = data->LoadGameData(path, true);
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (!config || config->m_UseXAudio2)
        GxAudio::FadeOutStream(kGxChannelSystemVoice, 0);
    else
        GxSound::FadeOutStream(kGxChannelSystemVoice, 0);
    return loaded ? GxLoadResult::Loaded : GxLoadResult::Damaged;
}

void GxShowDefaultBackground() {
    GxTaskLayer* background = FindMainSceneLayer(u"$BGLAYER:SeqAvgMain");
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (background && config) background->SetFlexImageContent(config->m_FileCGBGDefault, 0);
}
