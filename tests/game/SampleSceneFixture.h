#pragma once
// The sample game started in-process behind the stand-in core, with the UI
// manager, the headless device, both audio back ends on the null output and
// the movie service, driven pass by pass on the hand-driven clock as the
// main loop drives it; pointer and keys go to the task manager as the window
// hands them on. Shut down in the order the process object uses.
#include "GameFixture.h"

#include "game/SeqSystem.h"
#include "gamedata/DBUILayout.h"
#include "media/movie/GxMovie.h"
#include "platform/movie/movie_graph.h"
#include "platform/window/window_event.h"
#include "support/LogCapture.h"
#include "support/SampleGameCopy.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

#include <functional>

namespace gametest {

class SampleScenes : public GameTest {
protected:
    static constexpr s64 kFrameUs = 16667;
    static constexpr u32 kFrameSamples = 800;

    // The sample written into the test folder; `edit` may change its files
    // before the game reads them.
    void Start(bool withMovie, const std::function<void()>& edit = {}) {
        std::string error;
        ASSERT_TRUE(qtest::CopySampleGame(dir_.path(), withMovie, &error)) << error;
        if (edit) edit();
        ASSERT_TRUE(core_.m_Config->LoadSystemConfig());
        core_.m_Config->LoadDeveloperSettings();
        ui_ = std::make_unique<GxUIManage>();
        ui_->SetLayoutTable(g_DBUILayout.GetRecords());
        ASSERT_TRUE(StartDevice());
        StartAudio();
        GxMovie::Initialize();
        Initialize();
    }
    void TearDown() override {
        if (started_) {
            core_.m_Assets->ReleaseAll();
            Tm()->ClearSequences();
            ui_.reset();
            for (GxTaskRenderManage& list : core_.m_Lists) list.Clear();
            core_.m_TaskManage.reset();
            Terminate();
        }
        GxMovie::Shutdown();
        GameTest::TearDown();
    }

    GxTaskManage* Tm() { return core_.GetTaskManage(); }
    SeqSystem* System() { return SeqSystem::Get(); }

    // One pass of the main loop: the pending scene change, the movies, one
    // update step of a frame's time, the drawing, a frame's sound.
    void Pass(int count = 1) {
        for (int i = 0; i < count; ++i) {
            Tm()->ApplySequenceChanges();
            pmovie::movie_graph::settle_all();
            GxMovie::Update();
            clock_.advance_us(kFrameUs);
            Tm()->m_StopUpdateFlag = false;
            core_.ClearRenderLists();
            Tm()->SweepTaskTree(Tm()->GetTopTask());
            Tm()->Update(0, kFrameUs);
            Tm()->EnqueueRender(0, kFrameUs);
            core_.DrawRenderLists();
            paudio::output_device::instance().pump(kFrameSamples);
        }
    }
    // Passes until the scene is current in its main phase (false after limit).
    bool RunUntil(const GxChar* scene, int limit = 600) {
        for (int i = 0; i < limit; ++i) {
            if (Worker().m_CurrentName == scene && Worker().m_MainStarted && !Worker().m_ChangePending) return true;
            Pass();
        }
        return false;
    }

    // Worker 0 sent to the scene, then passes until it stands in its main
    // phase.
    bool ChangeTo(const GxChar* scene) {
        Tm()->ChangeSequenceByName(scene, 0, 0, 0);
        return RunUntil(scene);
    }

    // Passes until the scene is current, main phase or not.
    bool RunUntilCurrent(const GxChar* scene, int limit = 600) {
        for (int i = 0; i < limit && Worker().m_CurrentName != scene; ++i) Pass();
        return Worker().m_CurrentName == scene;
    }

    void Move(f32 x, f32 y) {
        core_.m_Cursor = GxPoint2{s32(x), s32(y)};
        Tm()->OnMouseMove(GxVector2(x, y), 0);
    }
    void Press(f32 x, f32 y, bool right = false) {
        Move(x, y);
        right ? Tm()->DispatchRButtonDown(GxVector2(x, y), pwin::mk_rbutton)
              : Tm()->DispatchLButtonDown(GxVector2(x, y), pwin::mk_lbutton);
    }
    void Release(f32 x, f32 y, bool right = false) {
        right ? Tm()->OnRButtonUp(GxVector2(x, y), 0) : Tm()->OnLButtonUp(GxVector2(x, y), 0);
    }
    // A click at a widget's centre, then the pass that handles it.
    void Click(GxTaskUIBase* widget, bool right = false) {
        ASSERT_NE(widget, nullptr);
        GxVector4 at;
        widget->GetWorldPos(&at);
        const f32 x = at.x + f32(widget->GetWidth()) / 2, y = at.y + f32(widget->GetHeight()) / 2;
        Press(x, y, right);
        Release(x, y, right);
        Pass();
    }
    // Clicks through the story until `done` holds.
    void ReadUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 100 && !done(); ++i) {
            Press(512, 400);
            Release(512, 400);
            Pass(45);
        }
        ASSERT_TRUE(done());
    }
    // A change to the scene was asked for: pending, or refused (logged) as
    // long as the scene is not built.
    bool ChangeAskedFor(const qtest::LogCapture& log, const std::string& scene) {
        return (Worker().m_ChangePending && Worker().m_PendingName == GxFromUtf8(scene)) ||
               log.Contains("遷移先のシーケンスが見つかりません(" + scene + ")");
    }
    // Rewrites a line of "system/sysconf.ini" that starts with key (drops it
    // with an empty value).
    void SetConfig(const std::string& key, const std::string& value) {
        const std::vector<unsigned char> bytes = qtest::ReadBytes("system/sysconf.ini");
        const std::string text(bytes.begin(), bytes.end());
        std::string out;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size() - 1;
            const std::string line = text.substr(at, end - at + 1);
            if (line.rfind(key + "=", 0) != 0) out += line;
            at = end + 1;
        }
        if (!value.empty()) out += key + "=" + value + "\n";
        qtest::WriteText("system/sysconf.ini", out);
    }

    // A file of the sample's pack, laid loose beside it (where it is found
    // first) after `edit` changed its bytes.
    static void Unpack(const GxChar* path, const std::function<void(std::string&)>& edit) {
        ASSERT_TRUE(GxMountPackFile(u"sample.gxp"));
        GxBinBuffer packed;
        const bool read = GxLoadFile(&packed, path, false, false, kGxLoadFileAnySize);
        GxUnmountAllPackFiles();
        ASSERT_TRUE(read) << GxToUtf8(path);
        std::string bytes(reinterpret_cast<const char*>(packed.GetData()), packed.GetSize());
        edit(bytes);
        fs::create_directories(fs::path(GxToUtf8(path)).parent_path());
        qtest::WriteText(GxToUtf8(path), bytes);
    }

    std::unique_ptr<GxUIManage> ui_;
};

} // namespace gametest
