#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxRuntimeRandom.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugWindow.h"
#include "engine/GxProcessState.h"
#include "game/AvgCore.h"
#include "game/GxGameLayerServices.h"
#include "game/GxGameSceneServices.h"
#include "game/GxGameUserDataHost.h"
#include "game/GxGameSound.h"
#include "game/GxGlobalRenderTargets.h"
#include "game/GxIconIndex.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxCamera.h"
#include "graphics/GxGDIFontMap.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxLight.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxShaderEffect.h"
#include "graphics/GxShaderEffectPool.h"
#include "graphics/GxShaderFactory.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureFlexFactory.h"
#include "io/GxDiskPath.h"
#include "io/GxFileSystem.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLayerTextSeam.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxNcProjectFactory.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerFile.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/input/input_devices.h"
#include "platform/render/span_kernels.h"
#include "platform/system/clock.h"
#include "platform/system/safe_file.h"
#include "platform/window/event_inject.h"
#include "platform/window/event_pump.h"
#include "platform/window/window.h"
#include "scenes/GxSceneGameServices.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxInput.h"
#include "tasks/GxInputState.h"
#include "tools/builders/PackWriter.h"
#include "ui/GxMessageSettingsBase.h"
#include "support/FakeCore.h"
#include "support/GameFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;
using prender::detail::simd_level;

int g_HookCalls = 0;
bool g_DrawerCalled = false;

struct Listener final : GxDebugListenerBase {
    virtual ~Listener() = default;
    void Output(const GxChar* line, int) override { heard.push_back(line); }
    std::vector<GxString> heard;
};

struct Row {
    std::string name;
    // Leaves the entry as a test might, in the table's order; none where the
    // row above dirtied this entry too.
    std::function<void()> dirty;
    // True while the entry is as a new process has it. It may disturb only
    // the entries of the rows below, which are dirtied after it and checked
    // before it once the reset is done.
    std::function<bool()> fresh;
};

// The first draw of an MT19937 seeded with 5489, the shared generator's seed.
constexpr u32 kFirstDefaultDraw = 3499211612u;

// Every entry the header names a reset for is dirtied, seen dirty, and seen
// back as a new process has it after the one call.
TEST(ProcessState, OneCallPutsEveryServiceBack) {
    qtest::TempDir dir;
    const fs::path oldFolder = fs::current_path();
    fs::current_path(dir.path());
    qtest::FakeCore core;
    GxUserConfig config(&core);
    GxUserData data(&core);
    GxUserDataPerman perman(&core);
    GxGameUserDataHost host;
    GxGameLayerServices layerServices;
    GxGameSceneServices sceneServices;
    psys::manual_clock clock;
    Listener listener;
    const GxGDIFontMap freshFontMap;
    const GxLight freshLight;
    const GxCamera freshCamera;
    const GxGraphicsConfig freshGraphicsConfig;
    const simd_level widestSimd = prender::detail::span_simd();

    // The window whose events the injected buttons reach, made once the
    // row of the last window error has failed to start the video system.
    pwin::window window;

    ASSERT_TRUE(qtest::WriteUISet("icons", {{"star", 8, 8, qtest::Framed(8, 8, 0xFFFFFFFF, 0xFF000000)}}, 16));
    ASSERT_TRUE(qtest::WritePicture("font.png", 128, 96, [](int, int) { return 0xFFFFFFFFu; }));
    fs::create_directories("fx");
    qtest::WriteText("fx/plain.fx", "float GlobalTime;\ntechnique Plain { pass { } }\n");
    fs::create_directories("folded");
    qtest::WriteText("folded/abc.txt", "x");
    qtest::WritePack("extra.gxp", {{"inpack.txt", {'x'}}});

    std::vector<Row> rows = {
        {"last window error",
         [] {
             // A driver SDL does not have fails the window's start.
             const char* old = std::getenv("SDL_VIDEODRIVER");
             const std::string kept = old ? old : "";
             setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
             pwin::window failing;
             failing.create(pwin::window_config{});
             if (old) setenv("SDL_VIDEODRIVER", kept.c_str(), 1);
             else unsetenv("SDL_VIDEODRIVER");
         },
         [] { return pwin::window::error().empty(); }},
        {"graphics device",
         [] {
             GxGraphics::SetAdapter(std::make_unique<prender::adapter>(prender::adapter::default_script()));
             ASSERT_TRUE(GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr));
         },
         [] { return !GxGraphics::GetDevice(); }},
        {"what the device's start found", nullptr, [] { return GxGraphics::GetAdapterDescription().empty(); }},
        {"graphics config", [] { GxGraphics::GetConfig().m_RefreshRate = 23; },
         [&] { return GxGraphics::GetConfig().m_RefreshRate == freshGraphicsConfig.m_RefreshRate; }},
        {"effect pool", [] { GxGraphics::InitializeShader(); }, [] { return !GxGetEffectPool(); }},
        {"default shader name", nullptr, [] { return GxGraphics::GetDefaultShaderName().empty(); }},
        {"effect sources preferred", [] { GxShaderEffect::SetPreferSource(false); },
         [] { return GxShaderEffect::GetPreferSource(); }},
        {"texture factory",
         [] {
             ASSERT_TRUE(GxTextureFactory::GetInstance().Create(u"t", kGxTextureKindEmpty, 4, 4, 1, 0, 0, false));
         },
         [] { return GxTextureFactory::GetInstance().GetCount() == 0; }},
        {"flex-texture factory",
         [] { ASSERT_TRUE(GxTextureFlexFactory::GetInstance().Create(u"f", kGxTextureFlexKindEmpty, 4, 4, 0)); },
         [] { return GxTextureFlexFactory::GetInstance().GetCount() == 0; }},
        {"shader factory", [] { ASSERT_TRUE(GxShaderFactory::GetInstance().Create(u"fx/plain")); },
         [] { return GxShaderFactory::GetInstance().GetCount() == 0; }},
        // The blend mode is remembered with or without a device.
        {"render-state cache", [] { GxSetBlendMode(1, 6); }, [] { return GxGetBlendMode(1) == 0; }},
        {"global render targets", [] { GxCreateGlobalRenderTargets(); },
         [] { return !GxGetGlobalRenderTexture(0); }},
        {"image-set pool", [] { GxNcImageSetPool::Add(u"uigis/icons"); },
         [] { return !GxNcImageSetPool::Get(u"uigis/icons"); }},
        {"icon index", [] { GxBuildIconIndex(GxNcImageSetPool::Get(u"uigis/icons")); },
         [] { return !GxGetIconIndex(u"star"); }},
        {"image-set factory",
         [] {
             GxString name = u"uigis/icons";
             GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(name, false);
         },
         [] {
             GxString name = u"uigis/icons";
             return !GxNcCrammedImageSetFactory::GetInstance().Find(name);
         }},
        // A project that cannot be read stays registered, empty.
        {"layout-project factory", [] { GxNcProjectFactory::GetInstance().Get(u"none", u"", false); },
         [] { return !GxNcProjectFactory::GetInstance().Find(u"none"); }},
        {"glyph maps", [] { GxGlobalFonts::GetFontMap(2)->SetFont(30, u"Other"); },
         [&] {
             const GxGDIFontMap& m = *GxGlobalFonts::GetFontMap(2);
             return m.GetFontHeight() == freshFontMap.GetFontHeight() &&
                    m.GetFaceName() == freshFontMap.GetFaceName();
         }},
        {"bitmap fonts",
         [] { ASSERT_TRUE(GxGlobalFonts::GetFontData(0)->Create(u"F", u"font.png", 32, 126, 8, 16, 16)); },
         [] { return !GxGlobalFonts::GetFontData(0)->HasChar(u'A'); }},
        {"message font",
         [] { ASSERT_TRUE(GxGlobalFonts::GetMessageFont()->Create(u"M", u"font.png", 32, 126, 8, 16, 16)); },
         [] { return !GxGlobalFonts::GetMessageFont()->HasChar(u'A'); }},
        {"default lights", [] { GxSetDefaultLights(); },
         [&] {
             return GxGetDefaultLight(0).m_Visible == freshLight.m_Visible &&
                    GxGetDefaultLight(1).m_Type == freshLight.m_Type;
         }},
        {"camera", [] { GxGetCamera().m_Distance = 5.0f; },
         [&] { return GxGetCamera().m_Distance == freshCamera.m_Distance; }},
        {"script system", [] { ASSERT_TRUE(GxMoaStartup(nullptr)); },
         [] { return !g_pMoa() && !g_pMoaMainWorker() && !g_pMoaBuiltinDefault() && !g_pMoaFunctionBinder(); }},
        {"AvgCore", [&] { AvgCore::GetInstance()->AttachCore(&core); },
         [] { return !AvgCore::GetInstance()->GetCore() && !AvgCore::GetInstance()->GetBuiltin(); }},
        {"game sound's sub voices", [] { GxGetSubVoiceEntry(0)->m_FileName = u"voice"; },
         [] { return GxGetSubVoiceEntry(0)->m_FileName.empty(); }},
        {"game sound's test voice", [] { GxPlayVoiceTest(u"voice", 2); },
         [] { return GxGetTestVoiceRecord().m_FileName.empty(); }},
        {"BGM restraint", [] { GxSetBGMRestraintLevel(30); }, [] { return GxGetBGMRestraintLevel() == 100; }},
        {"user settings", [&] { GxUserConfig::Set(&config); }, [] { return !GxUserConfig::Get(); }},
        {"message settings", nullptr, [] { return !GxMessageSettingsBase::Get(); }},
        {"game state", [&] { GxUserData::Set(&data); }, [] { return !GxUserData::Get(); }},
        {"permanent data", [&] { GxUserDataPerman::Set(&perman); }, [] { return !GxUserDataPerman::Get(); }},
        {"user data host", [&] { GxUserDataHost::Set(&host); }, [] { return !GxUserDataHost::Get(); }},
        {"layer services", [&] { GxLayerServices::Set(&layerServices); },
         [&] { return &GxLayerServices::Get() != &layerServices; }},
        {"scene services", [&] { GxSceneGameServices::Set(&sceneServices); },
         [] { return !GxSceneGameServices::Get(); }},
        {"movie slots", [] { GxMoviePlayerSlots[1] = new GxMoviePlayerFile(); },
         [] { return !GxMoviePlayerSlots[1]; }},
        {"audio output mode", [] { paudio::output_device::instance().set_mode(paudio::output_mode::manual); },
         [] { return paudio::output_device::instance().mode() == paudio::output_mode::automatic; }},
        {"audio back end", [] { ASSERT_TRUE(GxAudio::Initialize(false)); }, [] { return !GxAudio::GetEngine(); }},
        {"sound back end", [] { ASSERT_TRUE(GxSound::Initialize(1, false)); }, [] { return !GxSound::GetDevice(); }},
        {"audio output", nullptr, [] { return !paudio::output_device::instance().is_open(); }},
        // Starting the devices clears the key map and the input states below.
        {"devices' held keys", [] { pinput::inject_desktop_key(0x1E, true); },
         [] {
             GxInitInput();
             GxUpdateInput();
             const bool held = GxGetInputState(0)->IsDown(0x1E);
             GxReleaseInput();
             return !held;
         }},
        {"input states", [] { GxGetInputState(0)->m_StickLayout = 2; },
         [] { return GxGetInputState(0)->m_StickLayout == 0; }},
        {"key map", [] { GxSetKeyMap(5, 3, 1); }, [] { return GxGetKeyMap(5, 1) == 0; }},
        {"analog sticks", [] { GxSetAnalogAssign(0, 0, 0); },
         [] {
             // An assigned virtual stick copies the keyboard's first stick.
             GxGetInputState(0)->m_Sticks[0].x = 7.0f;
             GxUpdateInput();
             return GxGetKeyMapInputState()->m_Sticks[0].x == 0.0f;
         }},
        {"debug window", [] { GxCreateDebugWindow(); }, [] { return !GxGetDebugWindow(); }},
        {"buttons injected as held",
         [&] {
             pwin::window_config hidden;
             hidden.hidden = true;
             ASSERT_TRUE(window.create(hidden)) << pwin::window::error();
             ASSERT_TRUE(pwin::inject_mouse_button(window, pwin::mouse_button::left, true, 1, 1));
         },
         [&] {
             // The button state SDL's next motion carries.
             SDL_FlushEvent(SDL_MOUSEMOTION);
             if (!pwin::inject_mouse_move(window, 2, 2)) return false;
             SDL_Event e{};
             return SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION) == 1 && e.motion.state == 0;
         }},
        // Pumping takes every event queued above.
        {"event pump's held buttons and modifiers",
         [&] {
             ASSERT_TRUE(pwin::inject_key(window, "Left Shift", true));
             pwin::window_event e;
             while (pwin::next_event(e)) {
             }
         },
         [&] {
             // The buttons and modifiers the next motion is given.
             if (!pwin::inject_mouse_move(window, 2, 2)) return false;
             pwin::window_event e;
             while (pwin::next_event(e))
                 if (e.kind == pwin::event_kind::mouse_move) return e.buttons == 0;
             return false;
         }},
        {"event queue", [] { pwin::post_event(pwin::window_event{}); }, [] { return !pwin::peek_event(); }},
        {"cursor shape", [] { pwin::set_cursor_shape(pwin::cursor_none); },
         [] { return pwin::cursor_shape() == pwin::cursor_arrow; }},
        {"cursor shown", nullptr, [] { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }},
        {"layer text drawer", [] { GxSetLayerTextDrawer([](const GxLayerTextRequest&) { g_DrawerCalled = true; }); },
         [] {
             g_DrawerCalled = false;
             GxLayerDrawFontMapText(GxLayerTextRequest{});
             return !g_DrawerCalled;
         }},
        {"mounted packs", [] { ASSERT_TRUE(GxMountPackFile(u"extra.gxp")); },
         [] { return GxFileExists(u"inpack.txt") == kGxFileNotFound; }},
        {"file cache switch", [] { GxSetFileCacheEnable(true); }, [] { return !GxGetFileCache().IsEnabled(); }},
        {"file cache limits",
         [] {
             GxSetFileCacheCapacity(4096);
             GxSetFileCacheMaxFileSize(1024);
         },
         [] { return GxGetFileCache().GetCapacity() == 0 && GxGetFileCache().GetMaxFileSize() == 0; }},
        {"file cache contents", [] { ASSERT_TRUE(GxGetFileCache().Add(u"kept", GxBinBuffer(16), 1)); },
         [] { return GxGetFileCache().GetUsedBytes() == 0; }},
        {"folder listings",
         // The folder's listing is kept while its time stands; a new name
         // is then seen only in a new listing.
         [&] {
             std::string native;
             ASSERT_TRUE(GxResolveDiskPath(u"folded/ABC.TXT", &native));
             struct stat before {};
             ASSERT_EQ(::stat("folded", &before), 0);
             qtest::WriteText("folded/Abc.txt", "y");
             const struct timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, "folded", times, 0), 0);
         },
         [] {
             std::string native;
             return GxResolveDiskPath(u"folded/ABC.TXT", &native) && native == "folded/Abc.txt";
         }},
        {"shared random generator", [] { GxRandom::Default().Seed(7); },
         [] { return GxRandom::Default().Next() == kFirstDefaultDraw; }},
        // The first generator a new process leaves unseeded takes 5490.
        {"seeds of new generators", [] { GxRandom().Next(); },
         [] {
             GxRandom first, expected;
             expected.Seed(5490);
             return first.Next() == expected.Next();
         }},
        // Unseeded it starts from 1: its first step is 1 * 214013 + 2531011.
        {"layers' random generator", [] { GxRuntimeRandom::Seed(7); },
         [] { return GxRuntimeRandom::Next() == s32(((214013u + 2531011u) >> 16) & 0x7FFFu); }},
        {"debug console", [] { GxDebugConsoleOutputEx::GetInstance()->Output(u"kept", 1); },
         [] { return GxDebugConsoleOutputEx::GetInstance()->CopyLines().empty(); }},
        {"safe-file step hook",
         [] {
             psys::set_safe_file_step_hook([](const char*, const std::string&, const std::string&) {
                 return ++g_HookCalls, 0;
             });
         },
         [&] {
             const int before = g_HookCalls;
             const char byte = 'x';
             return psys::write_file_whole((dir.path() / "saved").string(), &byte, 1) && g_HookCalls == before;
         }},
        {"the last failed write's reason", [] { GxPersistFile::SetFailureForPlayer(u"full"); },
         [] { return GxPersistFile::FailureForPlayer().empty(); }},
        {"clock", [&] { psys::set_current_clock(&clock); },
         [] { return &psys::current_clock() == &psys::system_clock(); }},
        // A line that is not held goes at once to its log's path, if any.
        {"log paths and held lines",
         [&] {
             GxSetErrorLogPath(dir.u16("error.log"));
             GxSetDebugLogPath(dir.u16("debug.log"));
             GxSetDeviceLogPath(dir.u16("device.log"));
             GxHoldLogLines();
         },
         [&] {
             const char* const logs[] = {"error.log", "debug.log", "device.log", "now.log"};
             for (const char* log : logs) fs::remove(dir.path() / log);
             GxWriteErrorLog(u"error\n");
             GxWriteDebugLog(u"debug\n");
             GxWriteDeviceLog(u"device\n");
             GxSetErrorLogPath(dir.u16("now.log"));
             GxWriteErrorLog(u"now\n");
             return std::none_of(std::begin(logs), std::end(logs) - 1,
                                 [&](const char* log) { return fs::exists(dir.path() / log); }) &&
                    fs::exists(dir.path() / "now.log");
         }},
        {"slight errors skipped", [] { GxSetSkipSlightError(true); }, [] { return !GxGetSkipSlightError(); }},
        {"log listener", [&] { GxSetDebugListener(&listener); },
         [&] {
             const size_t heard = listener.heard.size();
             GxWriteDebugLog(u"heard?\n");
             return listener.heard.size() == heard;
         }},
        {"error count", [] { GxWriteErrorLog(u"counted\n"); }, [] { return GxGetErrorCount() == 0; }},
    };
    // Each table on its own, so that each is seen dirty.
    const std::pair<const char*, GxDBBase*> tables[] = {
        {"key map", &g_DBKeyMap},   {"characters", &g_DBAvgChar}, {"BGM", &g_DBBGMMode},
        {"CG", &g_DBCGMode},        {"CG view", &g_DBCGModeView}, {"replay", &g_DBRPMode},
        {"UI module", &g_DBUIModule}, {"UI layout", &g_DBUILayout}, {"voice volume", &g_DBVoiceVolume},
        {"system voice", &g_DBSystemVoice}};
    for (const auto& [name, table] : tables)
        rows.insert(rows.begin(), {std::string("data table: ") + name,
                                   [table = table] {
                                       qtest::WriteText("table.txt", "1\n");
                                       ASSERT_TRUE(table->Load(u"table.txt"));
                                   },
                                   [table = table] { return table->GetMaxID() == -1; }});
    // Where the processor has more than the scalar kernels.
    if (widestSimd != simd_level::scalar)
        rows.insert(rows.begin(), {"SIMD level", [] { prender::detail::limit_span_simd(simd_level::scalar); },
                                   [&] { return prender::detail::span_simd() == widestSimd; }});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.dirty) row.dirty();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_FALSE(row.fresh()) << row.name << " was not made dirty";
    }

    GxResetProcessState();
    // The reset ends what it ends as the shutdown does, reports and all.
    const GxString report = u"Warning/GxNcProjectFactory Object Not Released(none)\n";
    EXPECT_TRUE(std::find(listener.heard.begin(), listener.heard.end(), report) != listener.heard.end())
        << "the project still held was not reported";

    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        EXPECT_TRUE(row->fresh()) << row->name << " was not put back";
    GxResetProcessState();
    window.destroy();
    fs::current_path(oldFolder);
}

} // namespace
