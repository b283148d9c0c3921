// Bars and sliders: value and position at the ends of the track, tracks of
// no length, clicks on the track and drags of the knob with their events,
// the knob's ease, and the bar's glide (restarted midway too) and fill.
#include "ui_fixture.h"

#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUIHBarIs.h"
#include "ui/GxTaskUIHSliderIs.h"
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxTaskUIVSliderIs.h"

#include <cmath>
#include <functional>

using namespace uitest;

namespace {

class Sliders : public UITest {
protected:
    // A loaded slider of the test set at (100, 200): track 40 x 6, knob 6 x 10.
    GxTaskUISliderIs* LoadedSlider(bool vertical, s32 width = 0, s32 height = 0) {
        GxTaskUISliderIs* s = vertical ? static_cast<GxTaskUISliderIs*>(new GxTaskUIVSliderIs(root, u"s"))
                                       : new GxTaskUIHSliderIs(root, u"s");
        s->ApplyModuleRecord(Module(vertical ? 31 : 30, u"slider", width, height));
        s->SetPos(100, 200, 0, 0);
        EXPECT_TRUE(s->LoadImages()) << log.Text();
        return s;
    }
};

TEST_F(Sliders, ValuesAndPositionsMeetAtBothEndsOfTheTrack) {
    struct Case {
        bool vertical;
        s32 length;  // the client width or height
        f64 min, max;
        f64 value, pos;       // ValueToPos(value) == pos
        f64 askPos, gotValue;  // PosToValue(askPos) == gotValue
    } cases[] = {
        {false, 200, 0, 100, 0, 0, 0, 0},
        {false, 200, 0, 100, 100, 200, 200, 100},
        {false, 200, 0, 100, 50, 100, 100, 50},
        {false, 200, 0, 100, -20, 0, -1, 0},
        {false, 200, 0, 100, 130, 200, 201, 100},
        {true, 150, -30, 30, 30, 150, 150, 30},
        {true, 150, -30, 30, -30, 0, 0, -30},
        {false, 200, 40, 40, 40, 0, 120, 40},   // an empty range maps to its one value
        {false, 0, 0, 100, 50, 0, 10, 0},        // no track: m_Min, never a division by 0
        {true, -8, 0, 100, 50, 0, -3, 0},
    };
    for (const Case& c : cases) {
        GxTaskUISliderIs* s = c.vertical ? static_cast<GxTaskUISliderIs*>(new GxTaskUIVSliderIs(root))
                                         : new GxTaskUIHSliderIs(root);
        s->SetClientRect(0, 0, c.vertical ? 10 : c.length, c.vertical ? c.length : 10);
        s->SetMin(c.min), s->SetMax(c.max);
        const char* axis = c.vertical ? "vertical" : "horizontal";
        EXPECT_EQ(s->ValueToPos(c.value), c.pos) << axis << " L=" << c.length << " v=" << c.value;
        EXPECT_EQ(s->PosToValue(c.askPos), c.gotValue) << axis << " L=" << c.length << " p=" << c.askPos;
        EXPECT_TRUE(std::isfinite(s->DeltaToValue(7))) << axis << " L=" << c.length;
        if (c.length > 0 && c.min < c.max) {
            const f64 v = c.pos * (c.max - c.min) / c.length + c.min;
            EXPECT_EQ(s->PosToValue(s->ValueToPos(v)), v) << axis << " round trip of " << v;
        }
    }
}

TEST_F(Sliders, TheRangeIsSetBeforeTheValue) {
    auto* s = new GxTaskUIHSliderIs(root, u"s");
    EXPECT_EQ(s->GetMax(), 100.0) << "a new slider's range";
    DBUILayoutRecord l;
    l.Min = 0, l.Max = 100, l.Value = 150;
    s->ApplyLayoutRecord(l);
    EXPECT_EQ(s->GetValue(), 100.0);
    l.Min = 20, l.Max = 60, l.Value = 5;
    s->ApplyLayoutRecord(l);
    EXPECT_EQ(s->GetValue(), 20.0);
}

TEST_F(Sliders, AClickOnTheTrackSetsTheValueAndTheKnobEasesThere) {
    AddImageSet();
    GxTaskUISliderIs* s = LoadedSlider(false, 100, 0);
    auto* linked = new GxTaskUIPanelIs(root, u"linked");
    s->SetLinkedWidget(linked);
    EXPECT_EQ(s->GetClientWidth(), 97) << "100 less half the knob";
    // The middle of the track: 100 + 97 / 2.
    const GxVector2 middle(148.5f, 203);
    EXPECT_EQ(m.OnLButtonDown(middle, 0, false), 1);
    EXPECT_EQ(s->GetValue(), 50.0);
    EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_VALUE_CHANGE});
    EXPECT_EQ(linked->GetValue(), 50.0);
    EXPECT_EQ(s->GetKnobTarget(), 48.0f) << "48.5 truncated to whole pixels";
    EXPECT_EQ(s->GetKnobShown(), 0.0f) << "the knob has not moved yet";
    EXPECT_EQ(m.OnLButtonUp(middle, 0), 0) << "a release is never consumed";

    // Each step closes the gap by the factor (n / 100)^81, n counting down
    // from 100: nothing on the first step, then fast.
    Point(middle.x, middle.y);
    Step(s);
    EXPECT_EQ(s->GetKnobShown(), 0.0f);
    Step(s);
    EXPECT_NEAR(s->GetKnobShown(), 48 - 48 * std::pow(0.99f, 81.0f), 1e-4);
    f32 last = s->GetKnobShown();
    for (int i = 2; i < 100; ++i) {
        Step(s);
        EXPECT_GE(s->GetKnobShown(), last) << i;
        last = s->GetKnobShown();
    }
    EXPECT_EQ(s->GetEaseStepsLeft(), 0);
    Step(s);
    EXPECT_EQ(s->GetKnobShown(), 48.0f);
    EXPECT_EQ(s->GetValue(), 50.0);
}

TEST_F(Sliders, DraggingTheKnobFollowsThePointerAndStopsAtTheEnds) {
    AddImageSet();
    for (bool vertical : {false, true}) {
        GxTaskUISliderIs* s = LoadedSlider(vertical, vertical ? 10 : 0, vertical ? 60 : 0);
        s->SetValue(0);
        scene->events.clear();
        const s32 length = vertical ? s->GetClientHeight() : s->GetClientWidth();
        auto along = [&](f32 d) { return vertical ? GxVector2(105, 200 + d) : GxVector2(100 + d, 203); };
        EXPECT_EQ(m.OnLButtonDown(along(1), 0, false), 1) << "on the knob";
        EXPECT_TRUE(s->GetDragState().m_Dragging);
        EXPECT_TRUE(scene->events.empty()) << "grabbing the knob changes nothing";
        m.OnMouseMove(along(1 + length / 2.0f), 0);
        EXPECT_NEAR(s->GetValue(), 50.0, 1e-9) << vertical;
        EXPECT_EQ(s->GetKnobShown(), s->GetKnobTarget()) << "a drag moves the knob at once";
        m.OnMouseMove(along(1000), 0);
        EXPECT_EQ(s->GetValue(), 100.0) << vertical;
        m.OnMouseMove(along(1000), 0);
        EXPECT_EQ(scene->Types(), std::vector<s32>(3, UIEVENT_VALUE_CHANGE)) << "every movement of a drag";
        Step(s);
        EXPECT_EQ(s->GetKnobState(), 1) << "pressed";
        m.OnLButtonUp(along(1000), 0);
        EXPECT_FALSE(s->GetDragState().m_Dragging);
        scene->events.clear();
        m.OnMouseMove(along(-500), 0);
        EXPECT_EQ(s->GetValue(), 100.0) << "no drag without a press";

        // At the far end, a click just before the track's start still hits
        // the widened rectangle and sets m_Min.
        EXPECT_EQ(m.OnLButtonDown(along(-2), 0, false), 1);
        EXPECT_EQ(s->GetValue(), 0.0);
        m.OnLButtonUp(along(-2), 0);
        const f32 half = vertical ? 5.0f : 3.0f;
        EXPECT_EQ(m.OnLButtonDown(along(-half - 1), 0, false), 0) << "beyond half a knob";
        Remove(s);
    }
}

TEST_F(Sliders, TheKnobShowsWhetherItIsHoveredAndTheSliderWhetherItCanBeUsed) {
    AddImageSet();
    GxTaskUISliderIs* s = LoadedSlider(false);
    Point(500, 500);
    m.OnMouseMove(GxVector2(120, 203), 0);
    Step(s);
    EXPECT_EQ(s->GetKnobState(), 0) << "the pointer has left in the update";
    Point(120, 203);
    m.OnMouseMove(GxVector2(120, 203), 0);
    Step(s);
    EXPECT_EQ(s->GetKnobState(), 2);
    s->Lock();
    Step(s);
    EXPECT_EQ(s->GetKnobState(), 0);
    EXPECT_EQ(m.OnLButtonDown(GxVector2(120, 203), 0, false), 0) << "a locked slider";
    s->Unlock();
    s->SetMin(100);
    EXPECT_EQ(s->PosToValue(30), 100.0) << "an empty range";
}

TEST_F(Sliders, TheBarGlidesAndARestartGoesOnFromWhereItStands) {
    auto* bar = new GxTaskUIHBarIs(root, u"bar");
    bar->SetMax(100);
    struct Step_ {
        std::function<void()> act;
        f64 shown;
        bool gliding;
    };
    struct Case {
        const char* what;
        std::vector<Step_> steps;
    } cases[] = {
        {"0 to 100 in a second",
         {{[&] { bar->SetValueGlide(100, 1000); }, 0, true},
          {[&] { Step(bar, 500000); }, 50, true},
          {[&] { Step(bar, 499000); }, 99.9, true},
          {[&] { Step(bar, 1000); }, 100, false}}},
        {"restarted halfway back to 0",
         {{[&] { bar->SetValueGlide(100, 1000); }, 0, true},
          {[&] { Step(bar, 500000); }, 50, true},
          {[&] { bar->SetValueGlide(0, 1000); }, 50, true},
          {[&] { Step(bar, 500000); }, 25, true},
          {[&] { Step(bar, 500000); }, 0, false}}},
        {"a plain set ends the glide",
         {{[&] { bar->SetValueGlide(100, 1000); }, 0, true}, {[&] { bar->SetValueInt(30); }, 30, false}}},
        {"finished at once",
         {{[&] { bar->SetValueGlide(80, 1000); }, 0, true}, {[&] { bar->FinishGlide(); }, 80, false}}},
        {"clamped target", {{[&] { bar->SetValueGlide(500, 0); }, 100, false}}},
    };
    for (const Case& c : cases) {
        bar->SetValue(0);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            c.steps[i].act();
            EXPECT_NEAR(bar->GetShownValue(), c.steps[i].shown, 1e-4) << c.what << " step " << i;
            EXPECT_EQ(bar->IsGliding(), c.steps[i].gliding) << c.what << " step " << i;
        }
    }
    bar->SetValue(50);
    bar->SetValueGlide(10, 1000);
    bar->SetMin(20);
    EXPECT_EQ(bar->GetValue(), 20.0);
    EXPECT_EQ(bar->GetOldValue(), 50.0) << "inside the range: kept";
    bar->SetMax(30);
    EXPECT_EQ(bar->GetOldValue(), 30.0);
}

TEST_F(Sliders, ABarDrawsNoFillForAPatternItsFillImageLacks) {
    AddImageSet();
    auto* bar = new GxTaskUIHBarIs(root, u"bar");
    bar->ApplyModuleRecord(Module(41, u"bar"));
    ASSERT_TRUE(bar->LoadImages());
    EXPECT_EQ(bar->GetPatternCount(), 1);
    EXPECT_EQ(bar->GetWidth(), 40) << "from the fill";
    bar->SetMax(100), bar->SetValue(100), bar->SetPos(0, 0, 0, 0);
    for (s32 pattern : {0, 5, -1}) {
        bar->SetPatternIndex(pattern);
        GxSurface target;
        ASSERT_TRUE(target.CreateRenderTarget(u"bar", 48, 16, kGxFmtA8R8G8B8, 0, 0));
        ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
        GxGraphics::Clear(kGxClearTarget, 0xFF000000, 1.0f, 0);
        bar->Render(0, kGxUIRenderList);
        const u32 px = target.GetD3DSurface()->read_argb()[3 * 48 + 20];
        GxGraphics::PopRenderTarget(0);
        target.Release();
        EXPECT_EQ(px, pattern == 0 ? 0xFF20C040u : 0xFF000000u) << pattern;
    }

    auto* missing = new GxTaskUIHBarIs(root, u"nofill");
    missing->ApplyModuleRecord(Module(41, u"slider"));
    EXPECT_FALSE(missing->LoadImages());
    EXPECT_TRUE(log.Contains("GxTaskUIHBarIs/Image not found:slider_mid.png [nofill/[0]:41]\n")) << log.Text();
    missing->Render(0, kGxUIRenderList);
}

} // namespace
