// Buttons: each kind's state under scripted pointer, key and pad input
// (hover, press, release outside, repeats counted in updates, disabled and
// locked), radio groups, the timer's enabling, the faces that stand in for
// missing images, the text's start, and the stored forms with damaged values.
#include "controls_fixture.h"

#include "ui/GxTaskUIPressButtonIs.h"
#include "ui/GxTaskUIRadioButtonIs.h"
#include "ui/GxTaskUITextButtonIs.h"
#include "ui/GxTaskUITimerButtonIs.h"
#include "ui/GxUIWidgetFactory.h"

#include <array>

using namespace uitest;

namespace {

class Buttons : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        AddControlSet();
    }
    // A loaded button of the kind at (100, 100): 16 x 8, client 12 x 6 from (2, 1).
    template <class B>
    B* Loaded(const GxString& image = u"btn", const GxChar* name = u"b", GxTaskBase* parent = nullptr) {
        auto* b = new B(parent ? parent : root, name);
        b->ApplyModuleRecord(Ctl(B::kTypeCode, image, 2, 1));
        b->SetPos(100, 100, 0, 0);
        EXPECT_TRUE(b->LoadImages()) << log.Text();
        return b;
    }
    static std::function<s32()> FaceOf(GxTaskUIButtonIs* b) {
        return [b] { return b->GetImageIndex(); };
    }
    // The colour drawn at the middle of a widget at (100, 100).
    u32 Shown() { return Frame(120, 112)[size_t(104) * 120 + 108]; }
};

TEST_F(Buttons, APushButtonHoversClicksOnPressAndHoldsThePressedFace) {
    auto* b = Loaded<GxTaskUIButtonIs>();
    EXPECT_EQ(b->GetClientWidth(), 12);
    EXPECT_TRUE(b->TypeBits & kGxTypeUIButton) << "scenes play the sound of a button's click";
    const std::vector<Act> script = Join({
        {{Act::Move, 200, 200, {}, 0},
         {Act::Move, 105, 104, {UIEVENT_POINTER_ENTER}, 0},
         {Act::Update, 0, 0, {}, -1, 2},
         {Act::Key, 0, 0, {}, 0, 2},
         {Act::Pad, 0, 0, {}, 0, 2},
         {Act::Update, 0, 0, {}, -1, 2},
         {Act::Down, 105, 104, {UIEVENT_DECIDE}, 1},
         {Act::Update, 0, 0, {}, -1, 1},
         {Act::Up, 105, 104, {}, 0},
         // In the widget but outside its client rectangle.
         {Act::Move, 101, 104, {}, 0},
         {Act::Down, 101, 104, {}, 0},
         {Act::Update, 0, 0, {UIEVENT_POINTER_LEAVE}, -1, 1}},
        Updates(13, {}, 1),
        Updates(1, {}, 0),
    });
    Play(b, script, FaceOf(b), "push");

    // The click carries the key flags and the double-click flag.
    scene->events.clear();
    Point(110, 106);
    EXPECT_EQ(m.OnLButtonDown(GxVector2(110, 106), 0x9, true), 1);
    ASSERT_EQ(scene->events.size(), 1u);
    const GxUIEventParam& ev = scene->events[0];
    EXPECT_EQ(ev.m_Word, 0x9u);
    EXPECT_EQ(ev.m_Flag, 1);
    EXPECT_EQ(ev.m_Vector0.x, 110.0f);
    EXPECT_EQ(ev.m_Vector1.x, 100.0f);
}

TEST_F(Buttons, DisabledLockedUnreportedAndNonBlockingButtons) {
    struct Case {
        const char* what;
        std::function<void(GxTaskUIButtonIs*)> setUp;
        std::vector<Act> script;
    } cases[] = {
        {"disabled", [](GxTaskUIButtonIs* b) { b->SetEnabled(false); },
         {{Act::Move, 105, 104, {}, 0}, {Act::Down, 105, 104, {}, 0}, {Act::Update, 0, 0, {}, -1, 0}}},
        {"locked", [](GxTaskUIButtonIs* b) { b->Lock(); },
         {{Act::Move, 105, 104, {}, 0}, {Act::Down, 105, 104, {}, 0}, {Act::Update, 0, 0, {}, -1, 0}}},
        {"click not reported", [](GxTaskUIButtonIs* b) { b->ClearEventReportFlag(UIEVENT_DECIDE); },
         {{Act::Down, 105, 104, {}, 0}, {Act::Update, 0, 0, {}, -1, 1}}},
        {"not blocking", [](GxTaskUIButtonIs* b) { b->SetEventBlockFlag(false); },
         {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 0}}},
        {"blocking movement", [](GxTaskUIButtonIs* b) { b->SetMouseMoveBlockFlag(true); },
         {{Act::Move, 105, 104, {UIEVENT_POINTER_ENTER}, 1}, {Act::Move, 101, 104, {}, 0}}},
        {"enter not reported", [](GxTaskUIButtonIs* b) { b->ClearEventReportFlag(UIEVENT_POINTER_ENTER); },
         {{Act::Move, 105, 104, {}, 0}, {Act::Update, 0, 0, {}, -1, 2}}},
    };
    for (const Case& c : cases) {
        auto* b = Loaded<GxTaskUIButtonIs>();
        c.setUp(b);
        Play(b, c.script, FaceOf(b), c.what);
        Remove(b);
    }
}

TEST_F(Buttons, ToggleAndRadioButtonsChangeTheirValueBeforeTheirClick) {
    auto* t = Loaded<GxTaskUIToggleButtonIs>();
    Play(t,
         {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1, -1, 1.0},
          {Act::Update, 0, 0, {}, -1, 1, 1.0},
          {Act::Down, 105, 104, {UIEVENT_DECIDE}, 1, -1, 0.0},
          {Act::Key, 0, 0, {}, 0, -1, 0.0}},
         FaceOf(t), "toggle");
    t->SetAutoToggleFlag(false);
    Play(t, {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1, -1, 0.0}}, nullptr, "toggle kept by the scene");

    // Two groups under one parent, a toggle beside them and a radio button
    // of the same group under another parent.
    auto* group = new GxTaskUIBase(root, u"group");
    group->SetPos(100, 100, 0, 0);
    auto* other = new GxTaskUIBase(root, u"other");
    GxTaskUIRadioButtonIs* radios[4];
    for (int i = 0; i < 4; ++i) {
        radios[i] = Loaded<GxTaskUIRadioButtonIs>(u"btn", nullptr, group);
        radios[i]->SetPos(f32(i * 20), 0, 0, 0);
        radios[i]->SetGroupID(i < 3 ? 1 : 2);
        radios[i]->SetValueBool(true);
    }
    auto* beside = Loaded<GxTaskUIToggleButtonIs>(u"btn", nullptr, group);
    beside->SetValueBool(true);
    auto* far = Loaded<GxTaskUIRadioButtonIs>(u"btn", nullptr, other);
    far->SetGroupID(1);
    far->SetValueBool(true);
    t->Hide();
    const auto values = [&] {
        std::vector<bool> v;
        for (auto* r : radios) v.push_back(r->GetValueBool());
        v.push_back(beside->GetValueBool());
        v.push_back(far->GetValueBool());
        return v;
    };
    for (int round = 0; round < 2; ++round) {
        scene->events.clear();
        Point(125, 104);
        EXPECT_EQ(m.OnLButtonDown(GxVector2(125, 104), 0, false), 1);
        EXPECT_EQ(scene->Types(), std::vector<s32>{UIEVENT_DECIDE}) << "round " << round;
        EXPECT_EQ(values(), (std::vector<bool>{false, true, false, true, true, true})) << "round " << round;
    }
}

TEST_F(Buttons, APressButtonRepeatsEveryIntervalUntilAnyRelease) {
    struct Case {
        const char* what;
        s32 interval;
        std::vector<Act> script;
    } cases[] = {
        {"every third update, released outside",
         3,
         Join({{{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1, -1, 0.0},
                {Act::Update, 0, 0, {UIEVENT_VALUE_CHANGE}, -1, 1, 1.0}},
               Updates(2, {}, 1),
               {{Act::Update, 0, 0, {UIEVENT_VALUE_CHANGE}, -1, 1, 2.0},
                // No hover began: a press alone does not start one.
                {Act::Move, 500, 500, {}, 0},
                {Act::Update, 0, 0, {}, -1, 1},
                {Act::Update, 0, 0, {}, -1, 1},
                {Act::Update, 0, 0, {UIEVENT_VALUE_CHANGE}, -1, 1, 3.0},
                {Act::Up, 500, 500, {}, 0, -1, 0.0}},
               Updates(4, {}, 0)})},
        {"every update", 1,
         Join({{{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1}}, Updates(3, {UIEVENT_VALUE_CHANGE}),
               {{Act::Up, 105, 104, {}, 0, -1, 0.0}}, Updates(2, {})})},
        {"no repeat", 0, Join({{{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1}}, Updates(4, {}, 1)})},
    };
    for (const Case& c : cases) {
        auto* p = Loaded<GxTaskUIPressButtonIs>();
        p->SetEventIntervalFrame(c.interval);
        Play(p, c.script, FaceOf(p), c.what);
        Remove(p);
    }
}

TEST_F(Buttons, ResettingAPressButtonsEventStateEndsItsRepeat) {
    // Hiding, showing and a dialog's reset of the whole tree: a release the
    // button never sees must not leave it repeating.
    const std::function<void(GxTaskUIPressButtonIs*)> resets[] = {
        [](GxTaskUIPressButtonIs* p) { p->Hide(), p->Show(); },
        [&](GxTaskUIPressButtonIs*) { GxUIManage::ResetUIEventStates(root->GetFirstChild()); },
    };
    for (const auto& reset : resets) {
        auto* p = Loaded<GxTaskUIPressButtonIs>();
        Play(p, {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1}, {Act::Update, 0, 0, {UIEVENT_VALUE_CHANGE}, -1, 1, 1.0}},
             FaceOf(p), "held");
        reset(p);
        EXPECT_FALSE(p->IsPressed());
        Play(p, Updates(5, {}, 0), FaceOf(p), "after the reset");
        EXPECT_EQ(p->GetValue(), 0.0);
        Remove(p);
    }

    // While the scene refuses operation a held button counts on silently.
    auto* p = Loaded<GxTaskUIPressButtonIs>();
    Play(p, {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1}}, nullptr, "held");
    p->Lock();
    Play(p, Updates(3, {}, 0), FaceOf(p), "locked");
    EXPECT_EQ(p->GetValue(), 3.0);
}

TEST_F(Buttons, ATimerButtonTakesClicksOnlyOnceItsValueMeetsItsMode) {
    auto* t = Loaded<GxTaskUITimerButtonIs>(u"tmr");
    t->SetMax(100), t->SetMin(0), t->SetAutoCountUpValue(1);
    Play(t, Join({{{Act::Down, 105, 104, {}, 0}}, Updates(99, {})}), nullptr, "counting");
    EXPECT_EQ(t->GetValue(), 99.0);
    Play(t, Join({Updates(2, {}), {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1, -1, 100.0}}}), nullptr, "full");

    struct Mode {
        s32 mode;
        f64 value;
        bool enabled;
    } modes[] = {{1, 100, true}, {1, 99.5, false}, {2, 0, true}, {2, 1, false}, {3, 99, true},
                 {3, 100, false}, {4, 1, true}, {4, 0, false}, {0, 50, true}, {9, 0, true}};
    for (const Mode& c : modes) {
        t->SetAutoEnableMode(c.mode);
        t->SetValue(c.value);
        EXPECT_EQ(t->IsAutoEnabled(), c.enabled) << "mode " << c.mode << " at " << c.value;
    }
    t->SetValue(250);
    EXPECT_EQ(t->GetValue(), 100.0) << "kept in the range";
    t->SetMax(40);
    EXPECT_EQ(t->GetValue(), 40.0);
    t->SetMin(60);
    EXPECT_EQ(t->GetValue(), 40.0) << "with the bounds crossed, the value settles on the upper bound";

    // The fill grows from the left and is not drawn at either end; the back
    // shows "_backna" while the button cannot be clicked.
    t->SetMin(0), t->SetMax(16), t->SetAutoCountUpValue(0), t->SetAutoEnableMode(1);
    struct Fill {
        f64 value;
        u32 left, right;  // at x 101 and x 112 of the client row
    } fills[] = {{0, kNa, kNa}, {4, kMid, kNa}, {12, kMid, kNa}, {16, kBack, kBack}};
    for (const Fill& f : fills) {
        t->SetValue(f.value);
        const std::vector<uint32_t> px = Frame(120, 112);
        EXPECT_EQ(px[size_t(104) * 120 + 103], f.left) << f.value;
        EXPECT_EQ(px[size_t(104) * 120 + 112], f.right) << f.value;
    }
}

TEST_F(Buttons, FacesStandInForMissingImages) {
    enum class Kind { Button, Toggle };
    enum State { Normal, Hovered, Pressed, Off, On, OnHovered };
    struct Case {
        Kind kind;
        const char16_t* image;
        State state;
        bool enabled;
        u32 shown;
    } cases[] = {
        {Kind::Button, u"btn", Normal, true, kOff},       {Kind::Button, u"btn", Hovered, true, kOver},
        {Kind::Button, u"btn", Pressed, true, kOn},       {Kind::Button, u"btn", Normal, false, kNa},
        {Kind::Button, u"hov", Pressed, true, kOver},     {Kind::Button, u"hov", Normal, false, kOff},
        {Kind::Button, u"only", Pressed, true, kOff},     {Kind::Button, u"only", Hovered, true, kOff},
        {Kind::Toggle, u"btn", OnHovered, true, kOnOver}, {Kind::Toggle, u"btn", On, false, kOnNa},
        {Kind::Toggle, u"btn", Off, false, kNa},          {Kind::Toggle, u"btn", Hovered, true, kOver},
        {Kind::Toggle, u"hov", On, true, kOver},          {Kind::Toggle, u"hov", Hovered, true, kOff},
        {Kind::Toggle, u"hov", OnHovered, true, kOver},   {Kind::Toggle, u"only", On, false, kOff},
    };
    for (const Case& c : cases) {
        GxTaskUIButtonIs* b = c.kind == Kind::Toggle ? Loaded<GxTaskUIToggleButtonIs>(c.image)
                                                     : Loaded<GxTaskUIButtonIs>(c.image);
        b->SetValueBool(c.state == On || c.state == OnHovered);
        if (c.state == Hovered || c.state == OnHovered) Point(105, 104), m.OnMouseMove(GxVector2(105, 104), 0);
        if (c.state == Pressed) m.OnLButtonDown(GxVector2(105, 104), 0, false);
        Step(b);
        b->SetEnabled(c.enabled);
        EXPECT_EQ(Shown(), c.shown) << (c.kind == Kind::Toggle ? "toggle " : "button ")
                                    << std::string(c.image, c.image + std::char_traits<char16_t>::length(c.image))
                                    << " state " << c.state << (c.enabled ? "" : " disabled");
        Remove(b);
        Point(0, 0);
    }
}

TEST_F(Buttons, EachKindNamesWhatItCannotFind) {
    struct Case {
        s32 code;
        const char16_t* image;
        const char* message;
    } cases[] = {
        {18, u"none", "GxTaskUIButtonIs/Image not found:none_off.png [b/[0]:18]\n"},
        {19, u"none", "GxTaskUI::LoadImage()/Image not found:none_off.png [b/[0]:19]\n"},
        {23, u"none", "GxTaskUITimerButtonIs/Image not found:none_off.png [b/[0]:23]\n"},
        {47, u"none", "GxTaskUIDropMenuItemIs/Image not found:none_off.png [b/[0]:47]\n"},
        {24, u"btn", "GxTaskUISpinButtonIs/Image not found:btn_down_off.png [b/[0]:24]\n"},
        {40, u"btn", "GxTaskUIMenuIs/Image not found:btn_head.png [b/[0]:40]\n"},
        {45, u"none", "GxTaskUITipHelpIs/Image not found:none.png [b/[0]:45]\n"},
    };
    for (const Case& c : cases) {
        log.Clear();
        GxTaskUIBase* w = GxUIWidgetFactory::Construct(c.code, root, u"b", -1, scene);
        w->ApplyModuleRecord(Ctl(c.code, c.image));
        EXPECT_FALSE(w->LoadImages()) << c.code;
        EXPECT_TRUE(log.Contains(c.message)) << c.code << ": " << log.Text();
        log.Clear();
        w->SetImageSource(u"uigis/missing/x");
        EXPECT_FALSE(w->LoadImages()) << c.code;
        EXPECT_TRUE(log.Contains("ImageSet wasn't Loaded:uigis/missing.gis [b/[0]:")) << c.code << ": " << log.Text();
        Remove(w);
    }
}

TEST_F(Buttons, TextStartsCentredOnlyWhenItFitsOnOneLine) {
    struct Case {
        const char16_t* text;
        s32 align;
        s32 startX;
    } cases[] = {
        {u"AB", 1, 43},          // 2 x 11 wide: (100 - 22) / 2 + 4
        {u"あ", 1, 42},          // one full-width cell pair: 23
        {u"A|B", 1, 4},          // a line break: the whole width
        {u"AAAAAAAAAA", 1, 4},   // 110 pixels are more than 100
        {u"AB", 0, 4},           // no alignment
        {u"", 1, 4},
    };
    auto* b = new GxTaskUITextButtonIs(root, u"text");
    EXPECT_EQ(b->GetTextFontSize(), 23) << "font 2 by default";
    b->SetClientRect(4, 0, 100, 30);
    for (const Case& c : cases) {
        b->SetText(c.text);
        b->SetAutoAlign(c.align);
        EXPECT_EQ(b->GetTextStartX(), c.startX) << c.align;
    }
    DBUIModuleRecord module = Module(21, u"btn");
    for (const auto& [index, used] : {std::pair{9, 5}, std::pair{-1, 0}, std::pair{3, 3}}) {
        log.Clear();
        module.FontIndex = index;
        b->ApplyModuleRecord(module);
        EXPECT_EQ(b->GetTextFontIndex(), used);
        const std::array<s32, 6> sizes = {11, 15, 23, 24, 22, 38};
        EXPECT_EQ(b->GetTextFontSize(), sizes[size_t(used)]);
        EXPECT_EQ(log.Lines().size(), index == used ? 0u : 1u) << log.Text();
    }
    EXPECT_TRUE(log.Lines().empty());
}

} // namespace
