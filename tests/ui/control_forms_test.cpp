// The stored forms of every control, and the values a damaged save could
// hold: an image index past the face slots, a font index past the six fonts,
// a list position outside the list.
#include "controls_fixture.h"

#include "layers/GxLayerServices.h"
#include "ui/GxTaskUIDropMenuItemIs.h"
#include "ui/GxTaskUIListBoxFx.h"
#include "ui/GxTaskUIPressButtonIs.h"
#include "ui/GxTaskUITextButtonIs.h"
#include "ui/GxTaskUITimerButtonIs.h"
#include "ui/GxTaskUITipHelpIs.h"
#include "ui/GxTaskUIToggleButtonIs.h"
#include "ui/GxUIWidgetFactory.h"

using namespace uitest;

namespace {

class ControlForms : public ControlsTest {};

// Widgets whose stored fields a damaged save can set.
struct PokedButton : GxTaskUIButtonIs {
    using GxTaskUIButtonIs::GxTaskUIButtonIs;
    void Poke(s32 index) { m_ImageIndex = index; }
};
struct PokedText : GxTaskUITextButtonIs {
    using GxTaskUITextButtonIs::GxTaskUITextButtonIs;
    void Poke(s32 font) { m_PanelText.m_TextFontIndex = font; }
};
struct PokedList : GxTaskUIListBoxFx {
    using GxTaskUIListBoxFx::GxTaskUIListBoxFx;
    void Poke(f64 value, s32 font) { m_Value = value, m_Style.m_TextFontIndex = font; }
};

// Written by one widget, read by the other.
template <class W>
bool CarryOver(W& from, GxTaskUIBase& into) {
    const std::vector<unsigned char> bytes =
        qtest::WriteContentBytes(false, "UITEST", 1, [&](GxContentWriterBase& wr) { from.WriteContent(&wr); });
    mtest::StreamReader r(bytes, "UITEST");
    return r.headerOk && into.ReadContent(r.reader.get());
}

TEST_F(ControlForms, EveryControlsStoredFormComesBackWhole) {
    AddControlSet();
    struct Case {
        s32 code;
        std::function<void(GxTaskUIBase*)> change;
    } cases[] = {
        {18, [](GxTaskUIBase* w) { w->SetValue(3); }},
        {19, [](GxTaskUIBase* w) { static_cast<GxTaskUIToggleButtonIs*>(w)->SetAutoToggleFlag(false); }},
        {20, [](GxTaskUIBase* w) { w->SetValueBool(true), w->SetGroupID(4); }},
        {21, [](GxTaskUIBase* w) {
             auto* t = static_cast<GxTaskUITextButtonIs*>(w);
             t->SetTextFontIndex(4), t->SetTextColor(0x80FF0000), t->SetAutoAlign(0);
         }},
        {22, [](GxTaskUIBase* w) { static_cast<GxTaskUIPressButtonIs*>(w)->SetEventIntervalFrame(6); }},
        {23, [](GxTaskUIBase* w) {
             auto* t = static_cast<GxTaskUITimerButtonIs*>(w);
             t->SetAutoEnableMode(3), t->SetAutoCountUpValue(0.25), t->SetValue(40);
         }},
        {24, [](GxTaskUIBase* w) { w->SetValue(7), w->SetChange(2); }},
        {40, [](GxTaskUIBase* w) { w->SetDescript(u"menu"); }},
        {45, [](GxTaskUIBase* w) {
             auto* t = static_cast<GxTaskUITipHelpIs*>(w);
             t->SetPadding(3), t->SetNewLineWidth(200), t->SetAutoHide(false), t->SetText(u"tip");
         }},
        {47, [](GxTaskUIBase* w) { w->SetEnabled(false); }},
        {48, [](GxTaskUIBase* w) { w->SetModalPriority(2); }},
        {50, [](GxTaskUIBase* w) { static_cast<GxTaskUIListBoxFx*>(w)->SetTextFontIndex(3); }},
    };
    for (const Case& c : cases) {
        GxTaskUIBase* a = GxUIWidgetFactory::Construct(c.code, root, u"a", 0, scene);
        GxTaskUIBase* b = GxUIWidgetFactory::Construct(c.code, root, u"b", 0, scene);
        a->ApplyModuleRecord(Ctl(c.code, u"btn"));
        a->SetMax(100), a->SetPos(5, 6, 0, 0);
        c.change(a);
        EXPECT_TRUE(SameStoredForm(*a, *b, false)) << c.code;
        EXPECT_TRUE(SameStoredForm(*a, *b, true)) << c.code;
        EXPECT_EQ(b->GetValue(), c.code == 22 ? 0.0 : a->GetValue()) << c.code << ": a press button is not held";
        if (auto* button = dynamic_cast<GxTaskUIButtonIs*>(b)) {
            EXPECT_EQ(button->GetImage(0), nullptr) << c.code << ": the faces come back at the next load";
            EXPECT_EQ(button->GetImageName(), u"btn") << c.code;
        }
    }
}

TEST_F(ControlForms, DamagedStoredValuesAreReportedAndKeptInRange) {
    AddControlSet();
    PokedButton poked(root, u"b");
    poked.Poke(9);
    auto* button = new GxTaskUIButtonIs(root, u"b2");
    ASSERT_TRUE(CarryOver(poked, *button));
    EXPECT_TRUE(log.Contains("GxTaskUIButtonIs/m_ImageIndex 9 is not 0-7; 0 is used [b2/[0]:18]\n")) << log.Text();
    EXPECT_EQ(button->GetImageIndex(), 0);

    log.Clear();
    PokedText text(root, u"t");
    text.Poke(12);
    auto* readText = new GxTaskUITextButtonIs(root, u"t2");
    ASSERT_TRUE(CarryOver(text, *readText));
    EXPECT_EQ(readText->GetTextFontIndex(), 5);
    EXPECT_TRUE(log.Contains("GxTaskUITextButtonIs/フォント番号が範囲外です(12)。5を使います\n")) << log.Text();

    // A list read back before its items come: at the top, and it draws its
    // rows from there once they do.
    PutPng("list.png", 40, 40, std::vector<uint32_t>(40 * 40, 0xFF000000));
    PokedList list(root, u"l");
    list.Poke(-5, -2);
    auto* readList = new GxTaskUIListBoxFx(root, u"l2");
    ASSERT_TRUE(CarryOver(list, *readList));
    EXPECT_EQ(readList->GetValue(), 0.0);
    EXPECT_EQ(readList->GetTextFontIndex(), 0);
    readList->SetImageSource(u"list.png");
    readList->LoadImages();
    for (int i = 0; i < 3; ++i) readList->AddItem(u"row", u"", 0, u"", i, u"");
    Frame(48, 48);
}

TEST_F(ControlForms, ADropMenuItemDrawsTheGamesIconBesideItsLabel) {
    AddControlSet();
    // The game's icon look-up, here over the control set.
    struct Icons : GxLayerServices {
        const GxNcOriginImage* FindIcon(GxStringView name) override {
            GxNcCrammedImageSet* set = GxNcImageSetPool::Get(u"uigis/ctl.gis");
            return set && name == u"ok" ? set->FindOriginImage(u"btn_on.png") : nullptr;
        }
    } icons;
    GxLayerServices::Set(&icons);
    auto* item = new GxTaskUIDropMenuItemIs(root, u"item");
    item->ApplyModuleRecord(Ctl(47, u"btn"));
    item->SetPos(100, 100, 0, 0);
    ASSERT_TRUE(item->LoadImages());
    item->SetLabelOffset(GxVector2(20, 0));
    for (const char16_t* name : {u"ok", u"none"}) {
        item->SetIconName(name);
        // Centred on the item's height: 104 less half the icon's 8.
        const std::vector<uint32_t> px = Frame(160, 120);
        EXPECT_EQ(px[size_t(100) * 160 + 121], GxString(name) == u"ok" ? kOn : 0xFF000000u);
        EXPECT_EQ(px[size_t(104) * 160 + 104], kOff) << "the face";
    }
    // The label is drawn over the icon, outlined.
    item->SetLabelText(u"OK");
    const std::vector<uint32_t> px = Frame(160, 120);
    size_t lit = 0;
    for (size_t y = 90; y < 118; ++y)
        for (size_t x = 118; x < 150; ++x) lit += (px[y * 160 + x] & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_GT(lit, 10u) << "white label pixels";
    GxLayerServices::Set(nullptr);
}

} // namespace
