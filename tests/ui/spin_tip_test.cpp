// The spin button's limits, its repeat rhythm under the update count, the
// clear part and the part faces; the tool tip's size from its text, its
// place beside the pointer, its hiding and its skin's cells, and the tip
// shown by a hovered button.
#include "controls_fixture.h"

#include "ui/GxTaskUIButtonIs.h"
#include "ui/GxTaskUISpinButtonIs.h"
#include "ui/GxTaskUITipHelpIs.h"

using namespace uitest;

namespace {

class SpinTip : public ControlsTest {
protected:
    // A spin button at (100, 100): clear 100-108, back 108-132, down 132-140,
    // up 140-148, all 8 high.
    GxTaskUISpinButtonIs* LoadedSpin(f64 min, f64 max, f64 value) {
        auto* s = new GxTaskUISpinButtonIs(root, u"spin");
        s->ApplyModuleRecord(Ctl(24, u"spin"));
        s->SetPos(100, 100, 0, 0);
        EXPECT_TRUE(s->LoadImages()) << log.Text();
        s->SetMax(max), s->SetMin(min), s->SetValue(value);
        return s;
    }
};

constexpr f32 kUpX = 144, kDownX = 136, kClearX = 104, kY = 104;

TEST_F(SpinTip, HoldingUpStepsAtOnceThenEverySeventhUpdateAndFasterAfterTen) {
    AddControlSet();
    GxTaskUISpinButtonIs* s = LoadedSpin(0, 100, 0);
    EXPECT_EQ(s->GetWidth(), 48);
    EXPECT_TRUE(s->TypeBits & kGxTypeUIButton);
    scene->events.clear();
    Point(kUpX, kY);
    EXPECT_EQ(m.OnLButtonDown(GxVector2(kUpX, kY), 0, false), 1);
    std::vector<f64> values;
    for (int i = 0; i < 140; ++i) {
        Step(s);
        values.push_back(s->GetValue());
    }
    // After update n (from 1).
    const std::pair<int, f64> expected[] = {{1, 1},   {7, 1},    {8, 2},    {64, 10}, {70, 10},
                                            {71, 20}, {120, 90}, {127, 100}, {140, 100}};
    for (const auto& [update, value] : expected) EXPECT_EQ(values[size_t(update - 1)], value) << "update " << update;
    std::vector<s32> types = scene->Types();
    EXPECT_EQ(std::count(types.begin(), types.end(), UIEVENT_VALUE_CHANGE), 19) << "a step the limit swallows posts nothing";
    EXPECT_EQ(types.front(), UIEVENT_DECIDE);

    // Released anywhere, the hold ends; pressed again, the count starts anew.
    m.OnLButtonUp(GxVector2(900, 700), 0);
    EXPECT_FALSE(s->GetUpRepeat().m_PressFlag);
    s->SetValue(50);
    scene->events.clear();
    m.OnLButtonDown(GxVector2(kDownX, kY), 0, false);
    for (int i = 0; i < 8; ++i) Step(s);
    EXPECT_EQ(s->GetValue(), 48.0) << "two slow steps down";
}

TEST_F(SpinTip, TheLimitsTheClearAndALockedSceneStopSteps) {
    AddControlSet();
    struct Case {
        const char* what;
        f64 min, max, value;
        f32 x;  // the part pressed
        bool lock;
        std::vector<Act> script;
    } cases[] = {
        {"up at the top", 0, 10, 10, kUpX, false,
         {{Act::Update, 0, 0, {}}, {Act::Update, 0, 0, {}, -1, -1, 10}}},
        {"down at the bottom", 0, 10, 0, kDownX, false, {{Act::Update, 0, 0, {}, -1, -1, 0}}},
        {"clear", 0, 10, 5, kClearX, false,
         {{Act::Update, 0, 0, {UIEVENT_VALUE_CHANGE}, -1, -1, 0}, {Act::Update, 0, 0, {}, -1, -1, 0}}},
        {"clear on the clear value", 0, 10, 0, kClearX, false, {{Act::Update, 0, 0, {}, -1, -1, 0}}},
        {"down while locked", 0, 10, 5, kDownX, true,
         {{Act::Update, 0, 0, {}, -1, -1, 5}, {Act::Update, 0, 0, {}, -1, -1, 5}}},
        {"keys and the pad", 0, 10, 5, 0, false,
         {{Act::Key, 0, 0, {}, 0, -1, 5}, {Act::Pad, 0, 0, {}, 0, -1, 5}, {Act::Update, 0, 0, {}, -1, -1, 5}}},
    };
    for (const Case& c : cases) {
        GxTaskUISpinButtonIs* s = LoadedSpin(c.min, c.max, c.value);
        scene->events.clear();
        if (c.x != 0) {
            EXPECT_EQ(m.OnLButtonDown(GxVector2(c.x, kY), 0, false), 1) << c.what;
            EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_DECIDE}) << c.what;
        }
        if (c.lock) s->Lock();
        Play(s, c.script, nullptr, c.what);
        Remove(s);
    }

    // A locked scene keeps the rhythm: the frame counter runs on, so the
    // next step comes on the held part's own beat.
    GxTaskUISpinButtonIs* s = LoadedSpin(0, 100, 50);
    m.OnLButtonDown(GxVector2(kUpX, kY), 0, false);
    Step(s);
    s->Lock();
    for (int i = 0; i < 3; ++i) Step(s);
    s->Unlock();
    for (int i = 0; i < 3; ++i) Step(s);
    EXPECT_EQ(s->GetValue(), 51.0);
    Step(s);
    EXPECT_EQ(s->GetValue(), 52.0) << "the eighth update";

    EXPECT_EQ(s->GetDownRepeat().m_PressFlag, false);
    s->SetValue(2.6);
    EXPECT_EQ(s->FormatValue(), u"3");
    s->SetValue(10);
    EXPECT_EQ(s->FormatValue(), u"10");
    s->SetValue(-4);
    EXPECT_EQ(s->GetValue(), 0.0);
    s->SetValueInt(400);
    EXPECT_EQ(s->GetValue(), 100.0);
}

TEST_F(SpinTip, EachPartShowsItsStateAndTheLimits) {
    AddControlSet();
    using S = GxTaskUISpinButtonIs;
    struct Case {
        f64 value;
        f32 pointerX;
        f32 pressX;  // 0: nothing held
        bool enabled;
        int down, up, clear;
    } cases[] = {
        {5, 0, 0, true, S::kDownOff, S::kUpOff, S::kClearOff},
        {5, kDownX, 0, true, S::kDownOver, S::kUpOff, S::kClearOff},
        {5, kUpX, kUpX, true, S::kDownOff, S::kUpOn, S::kClearOff},
        {5, kClearX, kClearX, true, S::kDownOff, S::kUpOff, S::kClearOn},
        {0, kDownX, 0, true, S::kDownNa, S::kUpOff, S::kClearOff},
        {10, kUpX, 0, true, S::kDownOff, S::kUpNa, S::kClearOff},
        {5, kUpX, 0, false, S::kDownNa, S::kUpNa, S::kClearNa},
    };
    for (const Case& c : cases) {
        S* s = LoadedSpin(0, 10, c.value);
        s->SetEnabled(c.enabled);
        if (c.pressX != 0) s->OnLButtonDown(GxVector2(c.pressX, kY), 0, false);
        Point(c.pointerX, kY);
        EXPECT_EQ(s->GetPartSlot(S::kPartDown), c.down) << c.value << " at " << c.pointerX;
        EXPECT_EQ(s->GetPartSlot(S::kPartUp), c.up) << c.value << " at " << c.pointerX;
        EXPECT_EQ(s->GetPartSlot(S::kPartClear), c.clear) << c.value << " at " << c.pointerX;
        Remove(s);
    }
    // The missing "_down_na" and "_clear_on" stand in as "_down_off" and
    // (with no "_clear_over" either) nothing.
    S* s = LoadedSpin(0, 10, 0);
    EXPECT_EQ(s->GetImage(S::kDownNa), s->GetImage(S::kDownOff));
    EXPECT_EQ(s->GetImage(S::kClearOn), nullptr);
    EXPECT_NE(s->GetImage(S::kUpNa), s->GetImage(S::kUpOff));
}

TEST_F(SpinTip, TheTipIsSizedToItsTextInWholeTiles) {
    const GxString tenWide = u"ああああああああああ";
    struct Case {
        GxString text;
        s32 breaks, measured, width, height;
        bool visible;
    } cases[] = {
        {u"", 0, 0, 32, 32, false},
        {tenWide, 0, 165, 192, 32, true},
        {tenWide + tenWide + u"あ", 0, 315, 336, 32, true},  // wraps after the 21st: no further line
        {tenWide + tenWide + u"ああ", 1, 315, 336, 48, true},
        {u"AB|", 0, 29, 48, 32, true},
        {u"AB|C", 1, 29, 48, 48, true},
        {u"A\nB", 1, 22, 48, 48, true},
        {u"||", 1, 0, 32, 48, true},
        {u"|", 0, 0, 32, 32, true},
    };
    auto* tip = new GxTaskUITipHelpIs(root, u"tip");
    EXPECT_EQ(tip->GetPadding(), 8);
    for (const Case& c : cases) {
        tip->Show();
        tip->SetText(c.text.c_str());
        s32 width = -1;
        EXPECT_EQ(tip->MeasureText(&width), c.breaks) << c.text.size();
        EXPECT_EQ(width, c.measured) << c.text.size();
        EXPECT_EQ(tip->GetWidth(), c.width) << c.text.size();
        EXPECT_EQ(tip->GetHeight(), c.height) << c.text.size();
        EXPECT_EQ(tip->IsVisible(), c.visible) << c.text.size();
    }
}

TEST_F(SpinTip, TheTipStaysBesideThePointerAndOnTheScreen) {
    struct Case {
        GxVector3 pointer;
        const char16_t* text;
        f32 x, y;
    } cases[] = {
        {{1000, 740, 0}, u"ああああああああああ|あ", 832, 668},  // 192 x 48: flipped both ways
        {{100, 100, 0}, u"A", 76, 124},
        {{10, 10, 0}, u"A", 0, 34},
        {{900, 100, 0}, u"ああああああああああ", 732, 124},  // flipped: ends 24 pixels right of the pointer
        {{1020, 100, 0}, u"A", 976, 124},                   // flipped, then held on the screen
        {{500, 760, 0}, u"A", 476, 704},
    };
    auto* tip = new GxTaskUITipHelpIs(root, u"tip");
    for (const Case& c : cases) {
        tip->SetText(c.text);
        tip->SetTipPosition(c.pointer);
        GxVector4 pos;
        tip->GetPos(&pos);
        EXPECT_EQ(pos.x, c.x) << c.pointer.x << "," << c.pointer.y;
        EXPECT_EQ(pos.y, c.y) << c.pointer.x << "," << c.pointer.y;
    }
}

TEST_F(SpinTip, AHoveredButtonShowsTheTipWhichHidesAtTheNextMove) {
    AddControlSet();
    auto* tip = new GxTaskUITipHelpIs(root, u"tip_help");
    DBUIModuleRecord skin = Ctl(45, u"tip");
    skin.FontIndex = 1;
    tip->ApplyModuleRecord(skin);
    ASSERT_TRUE(tip->LoadImages()) << log.Text();
    tip->Suspend();
    auto* b = new GxTaskUIButtonIs(root, u"b");
    b->ApplyModuleRecord(Ctl(18, u"btn"));
    b->SetPos(100, 100, 0, 0);
    ASSERT_TRUE(b->LoadImages());
    b->SetAutoHelpTime(100);
    b->SetDescript(u"AB");
    Point(105, 104);
    m.OnMouseMove(GxVector2(105, 104), 0);
    Step(b, 50000);
    EXPECT_TRUE(tip->IsSuspended());
    Step(b, 50000);
    ASSERT_TRUE(tip->IsRunning()) << "shown once the hover lasts 100 ms";
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_EQ(tip->GetText(), u"AB");
    GxVector4 pos;
    tip->GetPos(&pos);
    EXPECT_EQ(pos.x, 81.0f);
    EXPECT_EQ(pos.y, 128.0f);
    EXPECT_EQ(tip->GetWidth(), 48);

    // Its skin: the first, a middle and the last cell of each row and column.
    const std::vector<uint32_t> px = Frame(160, 176);
    const struct {
        s32 x, y, column, row;
    } cells[] = {{2, 2, 0, 0}, {28, 2, 1, 0}, {40, 2, 3, 0}, {2, 28, 0, 3}, {28, 28, 1, 3}, {40, 28, 3, 3}};
    for (const auto& c : cells)
        EXPECT_EQ(px[size_t(128 + c.y) * 160 + size_t(81 + c.x)], SkinCellColour(c.column, c.row)) << c.x << "," << c.y;

    // The next move hides it and still reaches the button below.
    scene->events.clear();
    b->ResetEventState();
    EXPECT_EQ(m.OnMouseMove(GxVector2(106, 104), 0), 0);
    EXPECT_FALSE(tip->IsVisible());
    EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_POINTER_ENTER});
    tip->SetAutoHide(false);
    tip->Show();
    m.OnMouseMove(GxVector2(107, 104), 0);
    EXPECT_TRUE(tip->IsVisible());
    tip->SetText(u"");
    EXPECT_FALSE(tip->IsVisible());
}

} // namespace
