// Panels: image names and sizes from module records and paths, the image
// messages, the animated panel's pattern steps, the auto-hiding panel's fade,
// PNG panels, the stored forms of every widget built here, and one golden
// frame of a panel, a PNG panel, a bar and two sliders.
#include "ui_fixture.h"

#include "graphics/GxTextureFlex.h"
#include "ui/GxTaskUIAnimePanelIs.h"
#include "ui/GxTaskUIAutoHidePanelFx.h"
#include "ui/GxTaskUIHBarIs.h"
#include "ui/GxTaskUIHSliderIs.h"
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxTaskUIVSliderIs.h"

#include <functional>

using namespace uitest;

namespace {

class Panels : public UITest {};

TEST_F(Panels, ImageSetPanelsTakeTheirSizeFromTheFirstPatternUnlessTheModuleGivesOne) {
    AddImageSet();
    struct Case {
        const char* what;
        DBUIModuleRecord module;
        const GxChar* source;  // SetImageSource after the module, or null
        bool anime;
        bool loaded;
        s32 w, h, clientW;
        const char* message;
    } cases[] = {
        {"size from the pattern", Module(15, u"panel"), nullptr, false, true, 24, 16, 20, ""},
        {"the module's width stays", Module(15, u"panel", 200), nullptr, false, true, 200, 16, 196, ""},
        {"no image name", Module(15, u""), nullptr, false, true, 0, 0, -4, ""},
        {"from a path", Module(15, u""), u"uigis/ui/panel", false, true, 24, 16, 20, ""},
        {"missing image", Module(15, u"nothere"), nullptr, false, false, 0, 0, 0,
         "GxTaskUIPanelIs/Image not found:nothere [p/[0]:15]\n"},
        {"missing set", Module(15, u"panel"), u"uigis/none/panel", false, false, 0, 0, 0,
         "GxTaskUIPanelIs/ImageSet wasn't Loaded:uigis/none.gis [p/[0]:15]\n"},
        {"animated, missing image", Module(16, u"nothere"), nullptr, true, false, 0, 0, 0,
         "GxTaskUIAnimePanelIs/Image not found:nothere.png[p/[0]:16]\n"},
        {"animated, no name, missing set", Module(16, u""), u"gone/", true, false, 0, 0, 0,
         "GxTaskUIAnimePanelIs/ImageSet wasn't Loaded:gone.gis[p/[0]:16]\n"},
    };
    for (Case& c : cases) {
        log.Clear();
        c.module.ClientLeft = 2;
        GxTaskUIPanelIs* p = c.anime ? new GxTaskUIAnimePanelIs(root, u"p") : new GxTaskUIPanelIs(root, u"p");
        p->ApplyModuleRecord(c.module);
        if (c.source) p->SetImageSource(c.source);
        EXPECT_EQ(p->LoadImages(), c.loaded) << c.what;
        EXPECT_EQ(p->GetImage() != nullptr, c.loaded && !p->GetImageName().empty()) << c.what;
        EXPECT_EQ(p->GetWidth(), c.w) << c.what;
        EXPECT_EQ(p->GetHeight(), c.h) << c.what;
        EXPECT_EQ(p->GetClientWidth(), c.clientW) << c.what;
        if (*c.message)
            EXPECT_TRUE(log.Contains(c.message)) << c.what << ": " << log.Text();
        else
            EXPECT_TRUE(log.Lines().empty()) << c.what << ": " << log.Text();
        Remove(p);
    }
}

TEST_F(Panels, TheAnimatedPanelStepsEveryAnimeSpeedUpdates) {
    AddImageSet();
    struct Case {
        s32 speed;
        std::vector<s32> patterns;  // after each update
    } cases[] = {
        {1, {1, 2, 0, 1}},
        {2, {1, 1, 2, 2, 0}},
        {0, {0, 0, 0}},
        {-2, {1, 1, 2}},
    };
    for (const Case& c : cases) {
        auto* p = new GxTaskUIAnimePanelIs(root, u"anime");
        p->ApplyModuleRecord(Module(16, u"anime"));
        ASSERT_TRUE(p->LoadImages());
        ASSERT_EQ(p->GetPatternCount(), 3);
        p->SetAnimeSpeed(c.speed);
        std::vector<s32> seen;
        for (size_t i = 0; i < c.patterns.size(); ++i) Step(p), seen.push_back(p->GetPatternIndex());
        EXPECT_EQ(seen, c.patterns) << c.speed;
        EXPECT_FALSE(p->GetEventBlockFlag());
        Remove(p);
    }
}

TEST_F(Panels, TheAutoHidingPanelFadesByThirtyTwoAStep) {
    struct Case {
        s32 mode;
        bool inside;
        s32 from;
        std::vector<s32> alphas;
    } cases[] = {
        {1, true, 255, {223, 191, 159, 127, 95, 63, 31, 0, 0}},
        {1, false, 200, {232, 255, 255}},
        {2, true, 10, {42, 74}},
        {2, false, 20, {0, 0}},
        {3, true, 100, {100, 100}},
    };
    auto* p = new GxTaskUIAutoHidePanelFx(root, u"hide");
    p->SetWidth(100), p->SetHeight(50), p->SetClientRect(10, 10, 80, 30), p->SetPos(100, 100, 0, 0);
    for (const Case& c : cases) {
        p->SetAutoHideMode(c.mode), p->SetAlpha(c.from);
        Point(c.inside ? 150 : 105, c.inside ? 120 : 105);  // (105, 105): on the panel, off its client area
        std::vector<s32> seen;
        for (size_t i = 0; i < c.alphas.size(); ++i) Step(p), seen.push_back(p->GetAlpha());
        EXPECT_EQ(seen, c.alphas) << c.mode << (c.inside ? " inside" : " outside");
    }
    EXPECT_FALSE(p->GetEventBlockFlag());
}

TEST_F(Panels, PngPanelsShareTheirTextureAndTakeItsSize) {
    ASSERT_TRUE(Start());
    std::filesystem::create_directories(dir_.path() / "cg/ui");
    PutPng("cg/ui/box.png", 16, 12, std::vector<uint32_t>(16 * 12, 0xFF336699));
    DBUIModuleRecord mod = Module(8, u"box", 100, 100);
    mod.ImageSetName = u"cg/ui/";
    auto* a = new GxTaskUIPanelFx(root, u"a");
    auto* b = new GxTaskUIPanelFx(root, u"b");
    a->ApplyModuleRecord(mod), b->ApplyModuleRecord(mod);
    EXPECT_EQ(a->GetImageFileName(), u"cg/ui/box.png");
    EXPECT_TRUE(a->LoadImages());
    EXPECT_TRUE(b->LoadImages());
    EXPECT_EQ(a->GetWidth(), 16) << "the texture's size, whatever the module says";
    EXPECT_EQ(a->GetHeight(), 12);
    ASSERT_EQ(a->GetTexture(), b->GetTexture());
    EXPECT_EQ(a->GetTexture()->GetRefCount(), 2u);
    EXPECT_TRUE(a->LoadImages()) << "loading again keeps one reference";
    EXPECT_EQ(a->GetTexture()->GetRefCount(), 2u);
    b->ReleaseImages();
    EXPECT_EQ(a->GetTexture()->GetRefCount(), 1u);

    DBUIModuleRecord none = Module(8, u"");
    a->ApplyModuleRecord(none);
    EXPECT_EQ(a->GetImageFileName(), u"");
    EXPECT_FALSE(a->LoadImages());
    EXPECT_EQ(a->GetTexture(), nullptr);
    a->SetImageSource(u"cg/ui/missing.png");
    EXPECT_FALSE(a->LoadImages());
    EXPECT_EQ(a->GetWidth(), 0);
}

TEST_F(Panels, EveryWidgetsStoredFormComesBackWhole) {
    AddImageSet();
    struct Case {
        const char* what;
        std::function<GxTaskUIBase*(const GxChar*)> make;
        std::function<void(GxTaskUIBase*)> change;
    } cases[] = {
        {"image-set panel", [&](const GxChar* n) { return new GxTaskUIPanelIs(root, n); },
         [](GxTaskUIBase* w) { static_cast<GxTaskUIPanelIs*>(w)->SetPatternIndex(2); }},
        {"animated panel", [&](const GxChar* n) { return new GxTaskUIAnimePanelIs(root, n); },
         [](GxTaskUIBase* w) { static_cast<GxTaskUIPanelIs*>(w)->SetPatternIndex(1); }},
        {"auto-hiding panel", [&](const GxChar* n) { return new GxTaskUIAutoHidePanelFx(root, n); },
         [](GxTaskUIBase* w) { static_cast<GxTaskUIAutoHidePanelFx*>(w)->SetAutoHideMode(2); }},
        {"bar", [&](const GxChar* n) { return new GxTaskUIHBarIs(root, n); },
         [](GxTaskUIBase* w) { static_cast<GxTaskUIHBarIs*>(w)->SetValueGlide(40, 500), Step(w); }},
        {"horizontal slider", [&](const GxChar* n) { return new GxTaskUIHSliderIs(root, n); },
         [](GxTaskUIBase* w) { w->SetValue(30); }},
        {"vertical slider", [&](const GxChar* n) { return new GxTaskUIVSliderIs(root, n); },
         [](GxTaskUIBase* w) { w->SetValue(70); }},
    };
    for (const Case& c : cases) {
        GxTaskUIBase* a = c.make(u"a");
        GxTaskUIBase* b = c.make(u"b");
        a->ApplyModuleRecord(Module(0, u"anime"));
        a->SetMax(100), a->SetText(u"stored"), a->SetPos(5, 6, 0, 0);
        c.change(a);
        a->LoadImages();
        b->LoadImages();
        EXPECT_TRUE(SameStoredForm(*a, *b, false)) << c.what;
        EXPECT_EQ(b->GetText(), u"stored") << c.what;
        if (auto* is = dynamic_cast<GxTaskUIPanelIs*>(b)) {
            EXPECT_EQ(is->GetImageName(), u"anime") << c.what;
            EXPECT_EQ(is->GetImage(), nullptr) << c.what << ": the image comes back at the next scene start";
        }
        if (auto* bar = dynamic_cast<GxTaskUIHBarIs*>(b)) {
            EXPECT_NEAR(bar->GetShownValue(), 40 * 16 / 500.0, 1e-6) << "the glide goes on where it was";
            EXPECT_TRUE(bar->IsGliding());
        }
    }
}

TEST_F(Panels, AGoldenFrameOfPanelsABarAndSliders) {
    AddImageSet();
    PutPng("box.png", 12, 12, std::vector<uint32_t>(12 * 12, 0xFFFFFFFF));
    auto* panel = new GxTaskUIPanelIs(root, u"panel");
    panel->ApplyModuleRecord(Module(15, u"panel"));
    panel->SetPos(4, 4, 0, 0);
    auto* png = new GxTaskUIPanelFx(root, u"png");
    png->SetImageSource(u"box.png");
    png->SetPos(4, 26, 0, 0), png->SetImageAlpha(128), png->SetColor(1, 0.5f, 0.25f, 1);
    auto* bar = new GxTaskUIHBarIs(root, u"bar");
    bar->ApplyModuleRecord(Module(41, u"bar"));
    bar->SetMax(100), bar->SetValue(50), bar->SetPos(32, 4, 0, 0);
    auto* slider = new GxTaskUIHSliderIs(root, u"slider");
    slider->ApplyModuleRecord(Module(30, u"slider"));
    slider->SetPos(32, 18, 0, 0), slider->SetOrderZ(2000);
    auto* off = new GxTaskUIHSliderIs(root, u"off");
    off->ApplyModuleRecord(Module(30, u"slider"));
    off->SetPos(32, 32, 0, 0), off->SetEnabled(false);
    for (GxTaskUIBase* w : std::initializer_list<GxTaskUIBase*>{panel, png, bar, slider, off})
        ASSERT_TRUE(w->LoadImages()) << log.Text();
    slider->SetValue(25);
    off->SetValue(100);
    EXPECT_EQ(slider->GetClientWidth(), 37) << "40 less half the 6-pixel knob";
    const std::vector<uint32_t> px = DrawWidgets(*core_, 80, 48);
    EXPECT_EQ(px[size_t(8) * 80 + 8], 0xFF2040C0u) << "the panel";
    EXPECT_EQ(px[size_t(8) * 80 + 33 + 10], 0xFF20C040u) << "the bar's fill, left of the middle";
    EXPECT_EQ(px[size_t(8) * 80 + 33 + 30], 0xFF404040u) << "its background, right of it";
    EXPECT_TRUE(gxtest::MatchesGolden("widgets", px, 80, 48, "ui"));

    // Of two widgets of one draw order, the one added later is drawn over
    // the other: a label over its button.
    auto* label = new GxTaskUIPanelFx(root, u"label");
    label->SetImageSource(u"box.png");
    label->SetPos(4, 4, 0, 0);
    ASSERT_TRUE(label->LoadImages()) << log.Text();
    ASSERT_EQ(label->GetOrderZ(), panel->GetOrderZ());
    EXPECT_EQ(DrawWidgets(*core_, 80, 48)[size_t(8) * 80 + 8], 0xFFFFFFFFu);

    // A hidden widget and one its scene no longer shows draw nothing.
    label->Hide();
    panel->Hide();
    bar->Suspend();
    const std::vector<uint32_t> after = DrawWidgets(*core_, 80, 48);
    EXPECT_EQ(after[size_t(8) * 80 + 8], 0xFF000000u);
    EXPECT_EQ(after[size_t(8) * 80 + 43], 0xFF000000u);
}

} // namespace
