#include "GameFolder.h"

#include "engine/GxCore.h"
#include "scenes/GxSeqBase.h"
#include "tasks/GxModuleCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxSwapChain.h"
#include "platform/system/instance_lock.h"

#include <SDL.h>

#include <functional>

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

    pwin::window_event close;
    close.kind = pwin::event_kind::close_request;
    Post(close);
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
    pwin::window_event close;
    close.kind = pwin::event_kind::close_request;
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
    recorder_->updates.clear();
    recorder_->enqueues.clear();
    recorder_->draws.clear();
    clock_.advance_us(50001);  // three step periods of 16666 us
    ASSERT_TRUE(core_.RunPass());
    ASSERT_EQ(recorder_->updates.size(), 3u);
    for (const auto* steps : {&recorder_->updates, &recorder_->enqueues}) {
        EXPECT_EQ((*steps)[0].step, 0);
        EXPECT_EQ((*steps)[0].elapsed, 50001);
        EXPECT_EQ((*steps)[1].step, 1);
        EXPECT_EQ((*steps)[1].elapsed, 0);
        EXPECT_EQ((*steps)[2].step, 2);
        EXPECT_EQ((*steps)[2].elapsed, 0);
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
        recorder_->updates.clear();
        recorder_->draws.clear();
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
    auto ev = [](event_kind k) {
        pwin::window_event e;
        e.kind = k;
        return e;
    };
    auto at = [&](event_kind k, pwin::mouse_button b, int x, int y) {
        pwin::window_event e = ev(k);
        e.button = b;
        e.x = x;
        e.y = y;
        return e;
    };
    // A release without a press inside the window reaches no task.
    Post(at(event_kind::button_up, pwin::mouse_button::left, 10, 10));
    Post(at(event_kind::button_down, pwin::mouse_button::left, 100, 50));
    Post(at(event_kind::button_up, pwin::mouse_button::left, 101, 51));
    Post(at(event_kind::button_dblclk, pwin::mouse_button::left, 1, 1));
    Post(at(event_kind::button_down, pwin::mouse_button::right, 256, 192));
    Post(at(event_kind::button_up, pwin::mouse_button::right, 256, 192));
    Post(at(event_kind::mouse_move, pwin::mouse_button::left, 511, 383));
    pwin::window_event key = ev(event_kind::key_down);
    key.vk = 0x41;
    Post(key);
    pwin::window_event sys = ev(event_kind::sys_key_down);
    sys.vk = 0x73;
    Post(sys);
    pwin::window_event wheel = ev(event_kind::wheel);
    wheel.wheel = -120;
    wheel.x = 5;  // the wheel's own position is not used
    wheel.y = 5;
    core_.GetMainWindow().note_cursor_position(256, 192);
    Post(wheel);
    pwin::window_event inactive = ev(event_kind::activate);
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
    recorder_->log.clear();
    Post(at(event_kind::mouse_move, pwin::mouse_button::left, 640, 384));
    Post(at(event_kind::mouse_move, pwin::mouse_button::left, 128, 767));
    Post(at(event_kind::mouse_move, pwin::mouse_button::left, 1151, 0));
    ASSERT_TRUE(core_.RunPass());
    EXPECT_EQ(recorder_->log, (std::vector<std::string>{"move 512,384", "move 0,767", "move 1023,0"}));

    // A moved window forgets the frame start, so the stall brings no burst.
    ASSERT_TRUE(core_.RunPass());
    EXPECT_NE(core_.GetFrameTimer()->m_FrameStart, 0u);
    Post(ev(event_kind::moved));
    clock_.advance_us(2000000);
    recorder_->updates.clear();
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

} // namespace
