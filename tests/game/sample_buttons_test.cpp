// Every button of the sample's screens takes a press at its centre: reached
// as a player reaches them, each shown, enabled button is pressed where it
// is drawn and must be the widget that takes the press, not a plate, a
// panel or a page made after it or lying over it. The press's decision is
// dropped before the scene reads it, and the buttons' values are put back,
// so that the walk changes nothing it passes.
#include "SampleSceneFixture.h"

#include "gamedata/GxUserData.h"
#include "tasks/GxSeqTaskBase.h"
#include "ui/GxTaskUIButtonIs.h"

#include <algorithm>

namespace {

class SampleButtons : public gametest::SampleScenes {
protected:
    static void Collect(GxTaskBase* first, std::vector<GxTaskUIButtonIs*>* out) {
        for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
            if (!t->IsRunning()) continue;
            auto* button = dynamic_cast<GxTaskUIButtonIs*>(GxTaskUIBase::FromTask(t));
            if (button && button->IsVisibleInTree() && button->IsEnabledInTree()) out->push_back(button);
            Collect(t->GetFirstChild(), out);
        }
    }
    static std::string Path(const GxTaskBase* task) {
        GxString path;
        task->GetTaskPath(&path);
        return GxToUtf8(path);
    }
    void DropUIEvents(GxTaskUIButtonIs* button) {
        for (int i = 0; i < 2; ++i)
            if (auto* scene = dynamic_cast<GxTaskFolder*>(Tm()->GetSeqWorker(i)->m_CurrentTask)) scene->ClearUIEvents();
        System()->ClearUIEvents();
        if (button->GetListener()) button->GetListener()->ClearUIEvents();
    }
    // What the last pass drew at (x, y) after `button`, or why it is not
    // seen there at all; empty when the button lies on top.
    std::string Cover(const GxTaskBase* button, f32 x, f32 y) {
        std::vector<GxTaskBase*> drawn;
        for (int i = 0; i < GxCoreBase::kRenderListCount; ++i)
            for (const auto& entry : core_.GetRenderList(i)->GetEntries()) drawn.push_back(entry.m_Task);
        auto at = std::find(drawn.rbegin(), drawn.rend(), button);
        if (at == drawn.rend()) return "not drawn";
        for (auto later = at.base(); later != drawn.end(); ++later) {
            auto* actor = dynamic_cast<GxTaskActor*>(*later);
            const GxTaskUIBase* widget = GxTaskUIBase::FromTask(actor);
            if (!actor || !actor->IsRunning() || (widget && !widget->IsVisibleInTree())) continue;
            GxVector4 w;
            actor->GetWorldPos(&w);
            if (x >= w.x && y >= w.y && x < w.x + f32(actor->GetWidth()) && y < w.y + f32(actor->GetHeight()))
                return "drawn under " + Path(actor);
        }
        return {};
    }
    // Presses each shown, enabled button under root at its centre, as the
    // last pass drew it; the buttons that lie under something else or that
    // the press did not reach, by path.
    std::vector<std::string> Unreached(GxTaskBase* root, size_t* count) {
        std::vector<GxTaskUIButtonIs*> buttons;
        if (root && root->IsRunning()) Collect(root->GetFirstChild(), &buttons);
        *count = buttons.size();
        std::vector<std::pair<f32, f32>> centres;
        std::vector<std::string> missed;
        for (GxTaskUIButtonIs* button : buttons) {
            GxVector4 at;
            button->GetWorldPos(&at);
            centres.emplace_back(at.x + f32(button->GetWidth()) / 2, at.y + f32(button->GetHeight()) / 2);
            if (std::string cover = Cover(button, centres.back().first, centres.back().second); !cover.empty())
                missed.push_back(Path(button) + " " + cover);
        }
        for (size_t k = 0; k < buttons.size(); ++k) {
            GxTaskUIButtonIs* button = buttons[k];
            const auto [x, y] = centres[k];
            std::vector<f64> values;
            for (GxTaskUIButtonIs* b : buttons) values.push_back(b->GetValue());
            button->SetEventState(0);
            Move(x, y);
            GxTaskFolder* receiver = button->GetListener() ? button->GetListener() : button->GetOwnerSequence();
            const size_t queued = receiver ? receiver->GetQueuedUIEventCount() : 0;
            Press(x, y);
            // Taken, and its decision on its way to the scene or the dialog's opener.
            const bool reached = button->GetEventState() == UIEVENT_DECIDE && receiver &&
                                 receiver->GetQueuedUIEventCount() > queued;
            DropUIEvents(button);
            Release(x, y);
            for (size_t i = 0; i < buttons.size(); ++i) buttons[i]->SetValue(values[i]);
            Move(2, 2);
            DropUIEvents(button);
            Pass();
            if (!reached)
                missed.push_back(Path(button) + " does not take a press at (" + std::to_string(int(x)) + ", " +
                                 std::to_string(int(y)) + ")");
        }
        return missed;
    }
    // Clicks, then passes until the scene stands in its main phase and its
    // fade is over.
    void Open(const GxChar* folder, const GxChar* button, const GxChar* scene, s32 index = 0) {
        GxTaskUIBase* widget = Widget(folder, button, index);
        ASSERT_TRUE(widget && widget->IsVisible()) << GxToUtf8(button);
        Click(widget);
        ASSERT_TRUE(RunUntil(scene)) << GxToUtf8(scene);
        Pass(40);
    }
};

TEST_F(SampleButtons, EveryShownButtonTakesAPressAtItsCentre) {
    Start(false);
    const std::deque<GxMessageLogElement>& log = GxUserData::Get()->m_MessageLog;
    const auto task = [&](const GxChar* name) { return [=, this] { return Tm()->FindTaskName(name); }; };
    const auto click = [&](const GxChar* folder, const GxChar* name, s32 index = 0) {
        Click(Widget(folder, name, index));
        Pass(10);
    };
    const GxChar* const kTitle = u"$UI:SeqTitle";
    const GxChar* const kWindow = u"$MESWIN:SeqAvgMain";
    const GxChar* const kConfig = u"$UI:SeqConfig";
    // In the order a player meets them: the title, a game played through its
    // saving, loading, backlog, choice and settings to its end, and what the
    // finished story opens on the title.
    const struct {
        const char* screen;
        std::function<void()> reach;
        std::function<GxTaskBase*()> root;
    } kScreens[] = {
        {"title", [&] { ASSERT_TRUE(RunUntil(u"SeqTitle")); Pass(40); }, task(u"SeqTitle")},
        {"end-game question", [&] { click(kTitle, u"btn_title_exit"); }, task(u"dlg_shutdown")},
        {"adventure",
         [&] {
             click(u"dlg_shutdown", u"btn_dlgshutdown_no");
             Open(kTitle, u"btn_title_start", u"SeqAvgMain");
             ReadUntil([&] { return !log.empty() && !log.back().m_VoiceFileName[0].empty(); });
         },
         task(u"SeqAvgMain")},
        {"backlog", [&] { Open(kWindow, u"btn_log", u"SeqAvgLog"); }, task(u"SeqAvgLog")},
        {"save question",
         [&] {
             Open(u"$UI:SeqAvgLog", u"btn_back", u"SeqAvgMain");
             Open(kWindow, u"btn_save", u"SeqSave");
             click(u"$UI:SeqSave", u"btn_fileplate");
         },
         task(u"dlg_user")},
        {"save", [&] { click(u"dlg_user", u"btn_dlguser_yes"); Pass(30); }, task(u"SeqSave")},
        {"load",
         [&] {
             Open(u"$UI:SeqSave", u"btn_back", u"SeqAvgMain");
             Open(kWindow, u"btn_load", u"SeqLoad");
         },
         task(u"SeqLoad")},
        {"load question", [&] { click(u"$UI:SeqLoad", u"btn_fileplate"); }, task(u"dlg_user")},
        {"choice",
         [&] {
             click(u"dlg_user", u"btn_dlguser_no");
             Open(u"$UI:SeqLoad", u"btn_back", u"SeqAvgMain");
             ReadUntil([&] {
                 GxTaskUIBase* first = Widget(u"$SELECT:SeqAvgMain", u"btn_select", 1);
                 return first && first->IsVisible();
             });
             Pass(40);
         },
         task(u"SeqAvgMain")},
        {"settings: system",
         [&] {
             Open(kWindow, u"btn_config", u"SeqConfig");
             click(kConfig, u"btn_tabconf_system");
         },
         task(u"SeqConfig")},
        {"settings: sound", [&] { click(kConfig, u"btn_tabconf_sound"); }, task(u"SeqConfig")},
        {"settings: voice", [&] { click(kConfig, u"btn_tabconf_voice"); }, task(u"SeqConfig")},
        {"back-to-title question", [&] { click(kConfig, u"btn_title"); }, task(u"dlg_user")},
        // The story chosen on and read to its end, which returns to the title.
        {"title after the story",
         [&] {
             click(u"dlg_user", u"btn_dlguser_no");
             Open(kConfig, u"btn_back", u"SeqAvgMain");
             click(u"$SELECT:SeqAvgMain", u"btn_select", 1);
             ReadUntil([&] { return Worker().m_CurrentName == u"SeqTitle"; });
             ASSERT_TRUE(RunUntil(u"SeqTitle"));
             Pass(40);
         },
         task(u"SeqTitle")},
        {"gallery", [&] { Open(kTitle, u"btn_title_visual", u"SeqCGMode"); }, task(u"SeqCGMode")},
        {"replay",
         [&] {
             Open(u"$UI:SeqCGMode", u"btn_back", u"SeqTitle");
             Open(kTitle, u"btn_title_event", u"SeqRPMode");
         },
         task(u"SeqRPMode")},
        {"music room",
         [&] {
             Open(u"$UI:SeqRPMode", u"btn_back", u"SeqTitle");
             Open(kTitle, u"btn_title_music", u"SeqBGMMode");
         },
         task(u"SeqBGMMode")},
        {"extra",
         [&] {
             Open(u"$UI:SeqBGMMode", u"btn_back", u"SeqTitle");
             Open(kTitle, u"btn_title_extra", u"SeqAvgMain");
             ReadUntil([&] { return !log.empty() && log.back().m_Message.find(u"Quillon") != GxString::npos; });
         },
         task(u"SeqAvgMain")},
    };
    for (const auto& s : kScreens) {
        SCOPED_TRACE(s.screen);
        s.reach();
        if (HasFatalFailure()) return;
        size_t count = 0;
        for (const std::string& missed : Unreached(s.root(), &count)) ADD_FAILURE() << s.screen << ": " << missed;
        EXPECT_GT(count, 0u) << s.screen << ": no button shown";
    }
}

} // namespace
