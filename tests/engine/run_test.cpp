#include "GameFolder.h"

#include "base/GxStringUtil.h"
#include "engine/GxCore.h"
#include "game/SeqSystem.h"
#include "gamedata/GxUserConfig.h"
#include "graphics/GxTextureMovie.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/image/image.h"
#include "platform/movie/movie_graph.h"
#include "scenes/GxSeqBase.h"
#include "support/MovieClips.h"
#include "support/PaintedWidget.h"
#include "tasks/GxModuleCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxSwapChain.h"
#include "platform/system/instance_lock.h"
#include "tools/builders/ImageSetWriter.h"
#include "tools/builders/ProjectWriter.h"
#include "tools/builders/SoundFiles.h"

#include <SDL.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using proctest::GameFolderTest;
using proctest::ReadUtf16File;
namespace fs = std::filesystem;

// A task under the system scene that records what the frame and the window
// offer it and draws itself from render list 5.
class Recorder : public GxTaskBase {
public:
    explicit Recorder(GxTaskBase* parent) : GxTaskBase(parent, u"Recorder") {}

    struct Step {
        int step;
        s64 elapsed;
    };
    int Update(int step, s64 elapsed) override {
        updates.push_back({step, elapsed});
        if (onUpdate) onUpdate(step);
        return 0;
    }
    int EnqueueRender(int step, s64 elapsed) override {
        enqueues.push_back({step, elapsed});
        GxCoreBase::GetCoreBase()->GetRenderList(5)->AddTask(0, this, 0.0f, step);
        return 0;
    }
    int Render(int drawParam, int) override {
        draws.push_back(drawParam);
        return 0;
    }
    int OnClose() override { return holdClose; }
    int OnActivate() override { return log.push_back("activate"), 0; }
    int OnDeactivate() override { return log.push_back("deactivate"), 0; }
    int OnKeyDown(u32 vk, u32) override { return log.push_back("key " + std::to_string(vk)), 0; }
    int OnLButtonDown(const GxVector2& p, u32, bool dbl) override { return Mouse(dbl ? "ldbl" : "ldown", p); }
    int OnLButtonUp(const GxVector2& p, u32) override { return Mouse("lup", p); }
    int OnRButtonDown(const GxVector2& p, u32, bool) override { return Mouse("rdown", p); }
    int OnRButtonUp(const GxVector2& p, u32) override { return Mouse("rup", p); }
    int OnMouseMove(const GxVector2& p, u32) override { return Mouse("move", p); }
    int OnMouseWheel(const GxVector2& p, s32 delta, u32) override {
        return Mouse("wheel " + std::to_string(delta), p);
    }

    int Mouse(const std::string& what, const GxVector2& p) {
        log.push_back(what + " " + std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
        return 0;
    }

    void Clear() { updates.clear(), enqueues.clear(), draws.clear(), log.clear(); }

    std::vector<Step> updates, enqueues;
    std::vector<int> draws;
    std::vector<std::string> log;
    int holdClose = 0;
    std::function<void(int)> onUpdate;
};

class CoreRun : public GameFolderTest {
protected:
    void Start(const std::string& title, const std::string& settings = "") {
        WriteGame(title, "SAVE_TO_MYDOCUMENTS=0\n", settings);
        testing::internal::CaptureStderr();
        const bool started = core_.Initialize();
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started);
        recorder_ = new Recorder(core_.GetTaskManage()->GetRootTree());
    }
    void TearDown() override {
        if (core_.IsStarted()) core_.Finalize();
        GameFolderTest::TearDown();
    }
    void Post(pwin::window_event e) {
        e.window_id = core_.GetMainWindow().id();
        pwin::post_event(e);
    }
    // An event of the kind; a mouse event at (x, y).
    static pwin::window_event Event(pwin::event_kind kind, pwin::mouse_button button = {}, int x = 0, int y = 0) {
        pwin::window_event e;
        e.kind = kind, e.button = button, e.x = x, e.y = y;
        return e;
    }
    // Passes until the loop ends; false when it has not ended after limit.
    bool RunUntilQuit(int limit) {
        for (int i = 0; i < limit; ++i)
            if (!core_.RunPass()) return true;
        return false;
    }

    GxCore core_;
    Recorder* recorder_ = nullptr;
};

TEST_F(CoreRun, HeadlessRunOfAFewHundredFramesEndsOnACloseRequest) {
    Start("Headless");
    const u64 startUs = clock_.now_us();
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(core_.RunPass());
    // Paced to 60 frames a second by the clock alone, one step per frame.
    const double seconds = double(clock_.now_us() - startUs) / 1e6;
    EXPECT_NEAR(seconds, 299.0 / 60.0, 0.05);
    EXPECT_EQ(recorder_->updates.size(), 300u);
    // The boot screen's picture for the title's fade leaves the system scene out.
    EXPECT_EQ(recorder_->draws.size(), 300u);
    EXPECT_EQ(core_.GetPassCounter(), 300u);
    EXPECT_EQ(core_.GetTaskManage()->GetSeqWorker(0)->m_CurrentName, u"SeqTitle");

    Post(Event(pwin::event_kind::close_request));
    ASSERT_TRUE(RunUntilQuit(3));
    core_.Finalize();

    const fs::path save = game_ / "Save_Headless";
    EXPECT_TRUE(fs::exists(save / "device.log"));
    // A game without data tables has no system dialogs, and says so.
    EXPECT_NE(ReadUtf16File(save / "error.log").find("UIモジュールデータ[dlg_shutdown]が見つかりません:SeqSystem"),
              std::string::npos);
    psys::instance_lock lock;
    EXPECT_TRUE(lock.acquire("Headless"));
}

// The centre pixel of the frame the device draws into, and how many frames
// it presented.
u32 CentrePixel() {
    const auto back = GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->back_buffer(0);
    const std::vector<uint32_t> argb = back->read_argb();
    return argb.at(argb.size() / 2 + 512);
}
u64 Presents() { return GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->presents(); }

TEST_F(CoreRun, EveryPassClearsDrawsAndPresentsOneFrame) {
    Start("Frames");
    // Start-up cleared the target to red once; the system scene clears each
    // frame to the configured background.
    EXPECT_EQ(CentrePixel(), 0xFFFF0000u);
    const u64 before = Presents();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(core_.RunPass());
    EXPECT_EQ(CentrePixel(), 0xFF000000u);
    EXPECT_EQ(Presents(), before + 3);
}

TEST_F(CoreRun, ALostDeviceIsResetAndTheLoopGoesOn) {
    Start("Lost");
    ASSERT_TRUE(core_.RunPass());
    const u64 before = Presents();
    GxGraphics::GetDevice()->make_lost(true);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(core_.RunPass());
    EXPECT_GT(Presents(), before);
    EXPECT_EQ(GxGraphics::GetDevice()->test_cooperative_level(), prender::result::ok);
    EXPECT_EQ(CentrePixel(), 0xFF000000u);
}

TEST_F(CoreRun, AFatalDeviceErrorEndsThroughTheNormalShutdownWithItsCode) {
    Start("Fatal");
    ASSERT_TRUE(core_.RunPass());
    GxGraphics::GetDevice()->inject_present_result(prender::result::driver_internal_error);
    EXPECT_TRUE(RunUntilQuit(4));
    EXPECT_EQ(core_.GetExitCode(), kGxDeviceFatalExitCode);
    core_.Finalize();
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    psys::instance_lock lock;
    EXPECT_TRUE(lock.acquire("Fatal"));
}

TEST_F(CoreRun, ATaskCanHoldTheWindowOpen) {
    Start("Held");
    recorder_->holdClose = 1;
    const pwin::window_event close = Event(pwin::event_kind::close_request);
    Post(close);
    EXPECT_FALSE(RunUntilQuit(5));
    recorder_->holdClose = 0;
    Post(close);
    EXPECT_TRUE(RunUntilQuit(3));
    EXPECT_EQ(core_.GetExitCode(), 0);
}

TEST_F(CoreRun, AnExitRequestEndsTheLoopWithItsCode) {
    Start("Exit");
    core_.RequestExit(3);
    EXPECT_TRUE(RunUntilQuit(3));
    EXPECT_EQ(core_.GetExitCode(), 3);
}

TEST_F(CoreRun, ElapsedTimeGoesToTheFirstStepOnly) {
    Start("Steps");
    ASSERT_TRUE(core_.RunPass());  // the first frame neither waits nor catches up
    // The boot scene hands over to the title in the second; from then on no
    // scene change ends a frame's steps early.
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(core_.RunPass());
    recorder_->Clear();
    clock_.advance_us(50001);  // three step periods of 16666 us
    ASSERT_TRUE(core_.RunPass());
    ASSERT_EQ(recorder_->updates.size(), 3u);
    for (const auto* steps : {&recorder_->updates, &recorder_->enqueues}) {
        std::vector<std::pair<int, s64>> got;
        for (const Recorder::Step& st : *steps) got.push_back({st.step, st.elapsed});
        EXPECT_EQ(got, (std::vector<std::pair<int, s64>>{{0, 50001}, {1, 0}, {2, 0}}));
    }
    // The lists are rebuilt by every step: only the last step's entry is drawn.
    EXPECT_EQ(recorder_->draws, (std::vector<int>{2}));
}

TEST_F(CoreRun, PendingSceneChangeOrStoppedUpdateEndsTheFramesSteps) {
    Start("Stop");
    auto* scene = new GxSeqBase(core_.GetTaskManage()->GetTopTask(), u"SeqTest");
    struct Case {
        const char* what;
        std::function<void()> stop;
        int stepsInNextFrame;
    };
    const Case cases[] = {
        {"scene change", [&] { core_.GetTaskManage()->ChangeSequence(scene, 0, 0, 0); }, 3},
        {"stopped update", [&] { core_.GetTaskManage()->m_StopUpdateFlag = true; }, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(core_.RunPass());
        recorder_->Clear();
        recorder_->onUpdate = [&](int step) {
            if (step == 0) c.stop();
        };
        clock_.advance_us(50001);
        ASSERT_TRUE(core_.RunPass());
        EXPECT_EQ(recorder_->updates.size(), 1u);
        // What the one step enqueued is still drawn.
        EXPECT_EQ(recorder_->draws, (std::vector<int>{0}));
        recorder_->onUpdate = nullptr;
        recorder_->updates.clear();
        clock_.advance_us(50001);
        ASSERT_TRUE(core_.RunPass());
        EXPECT_EQ(int(recorder_->updates.size()), c.stepsInNextFrame);
    }
    // The change was applied at the start of the pass that followed it.
    EXPECT_EQ(core_.GetTaskManage()->GetSeqWorker(0)->m_CurrentTask, scene);
}

TEST_F(CoreRun, WindowEventsReachTheTasksAsTheWindowProcedureOffersThem) {
    Start("Events");
    SDL_SetWindowSize(core_.GetMainWindow().sdl_window(), 512, 384);
    int w = 0, h = 0;
    core_.GetMainWindow().client_size(w, h);
    ASSERT_EQ(w, 512);
    ASSERT_EQ(h, 384);

    using pwin::event_kind;
    constexpr pwin::mouse_button left = pwin::mouse_button::left, right = pwin::mouse_button::right;
    // A release without a press inside the window reaches no task.
    Post(Event(event_kind::button_up, left, 10, 10));
    Post(Event(event_kind::button_down, left, 100, 50));
    Post(Event(event_kind::button_up, left, 101, 51));
    Post(Event(event_kind::button_dblclk, left, 1, 1));
    Post(Event(event_kind::button_down, right, 256, 192));
    Post(Event(event_kind::button_up, right, 256, 192));
    Post(Event(event_kind::mouse_move, left, 511, 383));
    pwin::window_event key = Event(event_kind::key_down), sys = Event(event_kind::sys_key_down);
    key.vk = 0x41, sys.vk = 0x73;
    Post(key);
    Post(sys);
    pwin::window_event wheel = Event(event_kind::wheel, left, 5, 5);  // the wheel's own position is not used
    wheel.wheel = -120;
    core_.GetMainWindow().note_cursor_position(256, 192);
    Post(wheel);
    pwin::window_event inactive = Event(event_kind::activate);
    inactive.active = false;
    Post(inactive);
    ASSERT_TRUE(core_.RunPass());

    EXPECT_EQ(recorder_->log, (std::vector<std::string>{
                                  "ldown 200,100", "lup 202,102", "ldbl 2,2", "rdown 512,384", "rup 512,384",
                                  "move 1022,766", "key 65", "wheel -120 512,384", "deactivate"}));
    EXPECT_FALSE(core_.IsWindowActive());
    EXPECT_FALSE(core_.GetMainWindow().has_capture());

    // A window of another shape (full screen on a wide display) shows the
    // picture between black bars: positions go back through them.
    SDL_SetWindowSize(core_.GetMainWindow().sdl_window(), 1280, 768);
    recorder_->Clear();
    Post(Event(event_kind::mouse_move, left, 640, 384));
    Post(Event(event_kind::mouse_move, left, 128, 767));
    Post(Event(event_kind::mouse_move, left, 1151, 0));
    ASSERT_TRUE(core_.RunPass());
    EXPECT_EQ(recorder_->log, (std::vector<std::string>{"move 512,384", "move 0,767", "move 1023,0"}));

    // A moved window forgets the frame start, so the stall brings no burst.
    ASSERT_TRUE(core_.RunPass());
    EXPECT_NE(core_.GetFrameTimer()->m_FrameStart, 0u);
    Post(Event(event_kind::moved));
    clock_.advance_us(2000000);
    recorder_->Clear();
    ASSERT_TRUE(core_.RunPass());
    EXPECT_EQ(recorder_->updates.size(), 1u);
}

class CoreTitle : public CoreRun, public testing::WithParamInterface<bool> {};

TEST_P(CoreTitle, ShowsTheFrameRateInDebugModeOnly) {
    const bool debug = GetParam();
    const std::string title = debug ? "RateOn" : "RateOff";
    Start(title, debug ? "DebugModeFlag=1\n" : "");
    for (int i = 0; i < 130; ++i) ASSERT_TRUE(core_.RunPass());
    const std::string shown = core_.GetMainWindow().title();
    if (!debug) {
        EXPECT_EQ(shown, title);
        return;
    }
    EXPECT_EQ(shown.rfind(title + " FPS ", 0), 0u) << shown;
    EXPECT_TRUE(shown.size() > 3 && shown.compare(shown.size() - 3, 3, "/60") == 0) << shown;
    EXPECT_NEAR(std::stod(shown.substr(title.size() + 5)), 60.0, 1.0) << shown;
}

INSTANTIATE_TEST_SUITE_P(DebugMode, CoreTitle, testing::Bool());

// A module that records the events broadcast to it.
class FakeModule : public GxModuleCoreBase {
public:
    FakeModule(std::vector<std::string>* log, std::string name, bool result)
        : log_(log), name_(std::move(name)), result_(result) {}
    const GxString& GetModuleName() override { return moduleName_; }
    void AttachCore(GxCoreBase*) override { Note("attach"); }
    void DetachCore() override { Note("detach"); }
    void OnStartup() override { Note("startup"); }
    void OnShutdown() override {
        Note(GxCoreBase::GetCoreBase()->GetTaskManage() ? "shutdown with tasks" : "shutdown");
    }
    void RegisterBuiltins(GxBuiltinRegistryBase*) override {}
    void CreateSequences(GxTaskBase*) override {}
    void OnEnterTitle() override { Note("title"); }
    void OnLoadGame() override {}
    GxTaskBase* GetResumeSequence() override { return nullptr; }
    void OnConfigShow(GxTaskBase*) override {}
    void OnConfigApply(GxTaskBase*) override {}
    void OnConfigReset() override {}
    bool WriteUserData(GxContentWriterBase*, const GxString&) override { return Answer("write"); }
    bool ReadUserData(GxContentReaderBase*, const GxString&, bool) override { return Answer("read"); }
    bool WritePermanentData(GxContentWriterBase*) override { return Answer("writeperm"); }
    bool ReadPermanentData(GxContentReaderBase*) override { return Answer("readperm"); }
    bool WriteUserConfig(GxContentWriterBase*) override { return Answer("writeconf"); }
    bool ReadUserConfig(GxContentReaderBase*) override { return Answer("readconf"); }

private:
    void Note(const std::string& what) { log_->push_back(name_ + " " + what); }
    bool Answer(const std::string& what) {
        Note(what);
        return result_;
    }
    std::vector<std::string>* log_;
    std::string name_;
    bool result_;
    GxString moduleName_ = u"Fake";
};

TEST(ModuleBroadcast, AndBroadcastsAskEveryModuleInTableOrder) {
    GxCore core;
    std::vector<std::string> log;
    EXPECT_TRUE(core.CallModulesWriteUserData(nullptr, u"x"));  // no module: true
    FakeModule refusing(&log, "m0", false), accepting(&log, "m2", true);
    core.SetModule(2, &accepting);
    core.SetModule(0, &refusing);
    core.SetModule(3, &accepting);  // beyond the table: ignored
    struct Case {
        const char* name;
        std::function<bool()> call;
    };
    const Case cases[] = {
        {"write", [&] { return core.CallModulesWriteUserData(nullptr, u""); }},
        {"read", [&] { return core.CallModulesReadUserData(nullptr, u"", true); }},
        {"writeperm", [&] { return core.CallModulesWritePermanent(nullptr); }},
        {"readperm", [&] { return core.CallModulesReadPermanent(nullptr); }},
        {"writeconf", [&] { return core.CallModulesWriteUserConfig(nullptr); }},
        {"readconf", [&] { return core.CallModulesReadUserConfig(nullptr); }},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_FALSE(c.call()) << c.name;
        EXPECT_EQ(log, (std::vector<std::string>{std::string("m0 ") + c.name, std::string("m2 ") + c.name}));
    }
    core.SetModule(0, nullptr);
    log.clear();
    EXPECT_TRUE(core.CallModulesWritePermanent(nullptr));
    core.CallModulesEnterTitle();
    EXPECT_EQ(log, (std::vector<std::string>{"m2 writeperm", "m2 title"}));
}

TEST_F(CoreRun, ShutdownTellsTheModulesAfterTheTasksAreGone) {
    Start("Modules");
    std::vector<std::string> log;
    FakeModule extra(&log, "m0", true);
    core_.SetModule(0, &extra);
    core_.Finalize();
    // The settings and then the permanent data are written first, each with
    // what the modules add.
    EXPECT_EQ(log, (std::vector<std::string>{"m0 writeconf", "m0 writeperm", "m0 shutdown", "m0 detach"}));
}

// ---- the services the process object runs --------------------------------

// The movie service starts, runs every pass of the main loop (a movie plays
// to its end and stops) and shuts down, closing what the slots still hold.
TEST_F(CoreRun, MovieServiceStartsRunsEveryPassAndShutsDown) {
    const std::vector<unsigned char>& clip = qtest::StandardClip(qtest::ClipKind::Mpeg1);
    ASSERT_FALSE(clip.empty());
    qtest::WriteBytes(game_ / "op.mpg", clip);
    Start("Movies");
    // The boot and title scenes stop every movie when they start.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(core_.RunPass());

    // The renderer makes a texture of its own at the movie's size.
    ASSERT_TRUE(GxMovie::Open(0, u"op.mpg", nullptr, true));
    ASSERT_TRUE(GxMovie::Open(1, u"op.mpg", nullptr, true));
    GxTextureMovie* texture = GxMoviePlayerSlots[0]->GetTexture();
    ASSERT_NE(texture, nullptr);
    ASSERT_TRUE(GxMovie::Play(0, 0, 0));
    int passes = 0;
    for (; passes < 600 && GxMoviePlayerSlots[0]->IsPlaying(); ++passes) {
        pmovie::movie_graph::settle_all();
        ASSERT_TRUE(core_.RunPass());
    }
    EXPECT_FALSE(GxMoviePlayerSlots[0]->IsPlaying()) << "the passes' service ended the movie";
    EXPECT_NEAR(passes, 120, 3) << "two seconds of passes at 60 a second";
    const std::vector<uint32_t> px = texture->GetD3DTexture()->surface_level(0)->read_argb();
    EXPECT_EQ(qtest::ReadFrameCounter(px.data(), int(texture->GetWidth()), 320, 240), 49);

    core_.Finalize();
    EXPECT_EQ(GxMoviePlayerSlots[0], nullptr);
    EXPECT_EQ(GxMoviePlayerSlots[1], nullptr);
}

// Both audio back ends start, their service runs every fourth pass, and they
// shut down; without a sound device (the tests' dummy driver, or one that
// does not open) sounds still end, fade and loop on the clock, silently, and
// only a device that failed is told to the player. A driver that names no
// device fails as a machine without a sound card does, and one that starts
// but whose device does not open (the disk driver's file in no folder) as a
// sound system without a device does; the dummy driver is a headless run's
// own choice.
TEST_F(CoreRun, SoundRunsSilentlyOnTheClockWithoutADevice) {
    for (const char* driver : {"dummy", "no-such-driver", "disk"}) {
        SCOPED_TRACE(driver);
        const bool failed = std::string(driver) != "dummy";
        fs::remove_all(game_ / "Save_Sounds");
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", (game_ / "no such folder" / "sound.raw").c_str(), 1);
        const std::vector<uint8_t> wav = qtest::BuildWav({}, qtest::CountingPcm16(24000, 2));  // half a second
        qtest::WriteBytes(game_ / "half.wav", std::vector<unsigned char>(wav.begin(), wav.end()));
        Start("Sounds");
        EXPECT_TRUE(paudio::output_device::instance().is_null());
        std::vector<std::string> notices;
        for (const GxNoticeParam& n : SeqSystem::Get()->GetSystemNotices()) notices.push_back(GxToUtf8(n.m_Text));
        EXPECT_EQ(notices, failed ? std::vector<std::string>{"サウンドデバイスを開けないため、音声なしで動作しています"}
                                  : std::vector<std::string>{});
        const std::string log = ReadUtf16File(game_ / "Save_Sounds" / "error.log");
        EXPECT_EQ(log.find("GxCore/サウンドデバイスを開けませんでした(") != std::string::npos, failed) << log;

        ASSERT_TRUE(GxAudio::PlayStream(2, u"half.wav", 0, 0, 0, 1.0f, 0, 0));
        ASSERT_TRUE(GxSound::PlayStream(2, u"half.wav", 0, 0, 0, 0, 0, 0));
        ASSERT_TRUE(GxAudio::PlayStream(3, u"half.wav", -1, 0, 0, 1.0f, 0, 0));
        ASSERT_TRUE(GxAudio::PlayOneShot(nullptr, u"half.wav", 0, 0, 0, 1.0f, 0));
        EXPECT_EQ(GxAudio::GetOneShotCount(), 1u);
        // A second of frames at 60 a second, paced by the test's clock.
        for (int i = 0; i < 60; ++i) ASSERT_TRUE(core_.RunPass());
        EXPECT_FALSE(GxAudio::IsStreamPlaying(2)) << "played to its end";
        EXPECT_FALSE(GxSound::IsStreamPlaying(2)) << "played to its end";
        EXPECT_TRUE(GxAudio::IsStreamPlaying(3)) << "loops on";
        EXPECT_EQ(GxAudio::GetOneShotCount(), 0u) << "the service pass deleted the ended one-shot";

        ASSERT_TRUE(GxAudio::FadeOutStream(3, 200));
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(core_.RunPass());
        EXPECT_FALSE(GxAudio::IsStreamPlaying(3)) << "faded out on the clock";

        core_.Finalize();
        EXPECT_FALSE(GxAudio::PlayStream(2, u"half.wav", 0, 0, 0, 1.0f, 0, 0));
        EXPECT_FALSE(GxSound::PlayStream(2, u"half.wav", 0, 0, 0, 0, 0, 0));
        EXPECT_FALSE(paudio::output_device::instance().is_open());
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_DISKAUDIOFILE");
}

// ---- shutdown -------------------------------------------------------------

// Layout projects and image sets that something still holds when the game
// ends are reported, projects first, and then let go, before the device
// reports the textures never released.
TEST_F(CoreRun, ProjectsAndImageSetsStillHeldAreReportedInOrderThenLetGo) {
    qtest::ImageSetSpec imageSet;
    imageSet.atlases.push_back({u"parts0.png", 8, 8, 1, 0, std::vector<uint32_t>(64, 0xFF00FF00u)});
    imageSet.origins.push_back({u"button.png", -1, 8, 8, 0, {qtest::WholePattern(0, 0, 0, 8, 8)}});
    ASSERT_TRUE(qtest::WriteImageSetFiles(game_, "ui/parts", imageSet, false));
    GxNcProject project;
    project.m_ProjectName = u"op";
    qtest::WriteProjectFile(game_ / "title" / "op.gnc", project, {u"parts"}, false);
    // Warnings are logged, so that a set released twice or a texture left
    // behind would show.
    Start("Held", "SkipSlightError=0\n");
    // One set held by a scene, and again by the project that names it.
    GxString setName = u"UI/Parts";
    ASSERT_NE(GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(setName, true), nullptr);
    ASSERT_NE(GxNcProjectFactory::GetInstance().Get(u"Title/OP", u"ui", true), nullptr);
    core_.Finalize();

    const std::string log = ReadUtf16File(game_ / "Save_Held" / "error.log");
    const size_t projectLine = log.find("Warning/GxNcProjectFactory Object Not Released(title/op)");
    const size_t setLine = log.find("Warning/GxNcCrammedImageSetFactory Object Not Released(ui/parts)");
    ASSERT_NE(projectLine, std::string::npos) << log;
    ASSERT_NE(setLine, std::string::npos) << log;
    EXPECT_LT(projectLine, setLine) << log;
    EXPECT_EQ(log.find("You tried to release"), std::string::npos) << "the project gave its set back first\n" << log;
    EXPECT_EQ(log.find("GxTextureFactory is not Released"), std::string::npos) << "the atlas went back before\n"
                                                                                << log;
    EXPECT_EQ(GxNcProjectFactory::GetInstance().Find(u"title/op"), nullptr);
    EXPECT_EQ(GxNcCrammedImageSetFactory::GetInstance().Find(setName), nullptr);
}

// A started core that goes without Finalize (a test that stops early, an
// exception out of the loop) ends as a finalised one does: the settings are
// written, the device and the holders are let go.
TEST_F(GameFolderTest, ACoreThatGoesUnfinalisedIsShutDownTheOneWay) {
    WriteGame("Unended", "SAVE_TO_MYDOCUMENTS=0\n");
    const fs::path settings = game_ / "Save_Unended" / "userconf.dat";
    {
        GxCore core;
        testing::internal::CaptureStderr();
        const bool started = core.Initialize();
        const std::string said = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started) << said;
        std::filesystem::remove(settings);
        ASSERT_NE(GxGraphics::GetDevice(), nullptr);
    }
    EXPECT_TRUE(std::filesystem::exists(settings)) << "the settings were not written";
    EXPECT_EQ(GxGraphics::GetDevice(), nullptr);
    EXPECT_EQ(GxUserConfig::Get(), nullptr);
}

// ---- the debug status overlay ---------------------------------------------

// The top-left 400 x 80 pixels of the frame once the title has faded in over
// the boot screen, with a black title picture so that the title scene draws
// nothing but black.
class DebugStatusDraw : public CoreRun {
protected:
    std::vector<uint32_t> Corner(const std::string& settings) {
        fs::create_directories(game_ / "cg" / "ui");
        const std::vector<uint32_t> black(16 * 16, 0xFF000000u);
        EXPECT_TRUE(pimage::save_png((game_ / "cg" / "ui" / "bg_title.png").string(), black.data(), 16, 16, 64));
        Start("Overlay", settings);
        return Frame(40);
    }
    // The corner again after more passes.
    std::vector<uint32_t> Frame(int passes) {
        for (int i = 0; i < passes; ++i) EXPECT_TRUE(core_.RunPass());
        const auto back = GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->back_buffer(0);
        const std::vector<uint32_t> all = back->read_argb();
        const u32 w = back->desc().width;
        std::vector<uint32_t> corner;
        for (u32 y = 0; y < 80; ++y)
            for (u32 x = 0; x < 400; ++x) corner.push_back(all[y * w + x]);
        return corner;
    }
};

TEST_F(DebugStatusDraw, TheDebugConsoleSwitchShowsTheOverlay) {
    // The translucent blue-black background over the frame; the status line
    // (font slot 1, 15 pixels high) in yellow, as start-up logged an error
    // (the boot scene is missing), and the call stack's
    // "Script:実行していません" below it in white. First over the black title,
    // then over a top-most widget of the system scene painted grey across the
    // corner and ordered just under the status's own key, the largest order:
    // the status is drawn last of all.
    const struct {
        const char* what;
        uint32_t under;
        uint32_t back;
    } kFrames[] = {{"the title", 0xFF000000u, 0xFF000028u}, {"the system's widget", 0xFF808080u, 0xFF404068u}};
    std::vector<uint32_t> px = Corner("DebugConsoleFlag=1\n");
    for (const auto& f : kFrames) {
        SCOPED_TRACE(f.what);
        if (f.under != 0xFF000000u) {
            new qtest::PaintedWidget(core_.GetTaskManage()->GetRootTree(), {0, 0, 400, 80}, f.under,
                                     std::nextafter(std::numeric_limits<f32>::max(), 0.0f), true);
            px = Frame(2);
        }
        size_t back = 0, yellow = 0, white = 0;
        for (size_t i = 0; i < px.size(); ++i) {
            const uint32_t p = px[i], r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            back += p == f.back;
            if (i / 400 < 15) yellow += r > 0xC0 && g > 0xC0 && b < 0x40;
            else if (i / 400 < 30) white += r > 0xC0 && g > 0xC0 && b > 0xC0;
        }
        EXPECT_GT(back, 2000u);
        EXPECT_GT(yellow, 100u);
        EXPECT_GT(white, 50u);
        EXPECT_EQ(px[79 * 400 + 399], f.under) << "nothing beyond the overlay";
    }
}

TEST_F(DebugStatusDraw, SlightErrorsAloneDoNotShowIt) {
    // Start-up logs that the boot scene is missing; with slight errors
    // skipped and the script not stopped on an error, nothing is drawn.
    const std::vector<uint32_t> px = Corner("DebugConsoleFlag=0\n");
    for (uint32_t p : px) ASSERT_EQ(p, 0xFF000000u);
}

} // namespace
