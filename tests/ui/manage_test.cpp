// The UI manager: screens built from layout records, event states reset over
// subtrees, auto and skip modes cancelled, and the widget factory's table.
#include "ui_fixture.h"

#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxUIWidgetFactory.h"

#include <map>
#include <string>

using namespace uitest;

namespace {

// A scene stand-in that notes which records it is asked to build.
struct Loader : GxUIModuleLoaderBase {
    GxTaskBase* LoadUIModule(GxTaskBase* parent, const DBUILayoutRecord* layout, const GxChar* name,
                             s32 localIndex) override {
        built.push_back(layout->ID);
        return localIndex == -1 ? new GxTaskUINull(parent, name) : new GxTaskUINull(parent, nullptr, name, localIndex);
    }
    std::vector<s32> built;
};

DBUILayoutRecord Layout(s32 id, const GxString& parent, const GxString& task, s32 index, s32 create = 1) {
    DBUILayoutRecord r;
    r.ID = id, r.ParentName = parent, r.TaskName = task, r.TaskIndex = index, r.Create = create;
    return r;
}

class Manage : public UITest {};

TEST_F(Manage, AScreenIsBuiltFromItsParentsRecordsInTableOrder) {
    std::vector<DBUILayoutRecord> table(8);
    table[1] = Layout(1, u"$UI:SeqTest", u"btn_b", 0);
    table[2] = Layout(2, u"$UI:SeqOther", u"elsewhere", 0);
    table[3] = Layout(3, u"$UI:SeqTest", u"btn_a", 1);
    table[4] = Layout(4, u"$UI:SeqTest", u"never", 0, 0);
    table[5] = Layout(5, u"$ui:seqtest", u"case", 0);
    table[6] = Layout(6, u"$UI:SeqTest", u"g_title", -1);
    Loader loader;
    ui.SetLayoutTable(table);
    ui.CreateUIFromLayout(u"$UI:SeqTest", root, &loader);
    EXPECT_EQ(loader.built, (std::vector<s32>{1, 3, 6})) << "exact parent names, Create set, ID order";
    EXPECT_NE(root->FindTaskLocal(u"btn_a", 1), nullptr);
    EXPECT_NE(m.FindTaskName(u"g_title"), nullptr) << "index -1: a global name";
    EXPECT_EQ(root->FindTaskLocal(u"g_title", -1), nullptr);

    loader.built.clear();
    std::vector<DBUILayoutRecord> own = {Layout(0, u"$UI:SeqOther", u"x", 0)};
    ui.CreateUIFromLayout(u"$UI:SeqOther", root, &loader, own);
    EXPECT_EQ(loader.built, std::vector<s32>{0}) << "a table given instead of the manager's";
}

TEST_F(Manage, EventStatesAreResetOverWholeSubtreesAndTheirSiblings) {
    auto* first = new GxTaskUINull(root, u"first");
    auto* inner = new GxTaskFolder(first, u"inner");
    auto* deep = new GxTaskUINull(inner, u"deep");
    auto* second = new GxTaskUINull(root, u"second");
    auto* before = new GxTaskUINull(scene, u"before");
    for (GxTaskUIBase* w : {first, deep, second, before}) w->SetEventState(1);
    GxUIManage::ResetUIEventStates(first);
    EXPECT_EQ(first->GetEventState(), 0);
    EXPECT_EQ(deep->GetEventState(), 0) << "under a folder";
    EXPECT_EQ(second->GetEventState(), 0) << "the siblings after the first";
    EXPECT_EQ(before->GetEventState(), 1) << "nothing outside";
}

TEST_F(Manage, CancellingAutoOrSkipTurnsTheButtonOffAndSurvivesAMissingOne) {
    auto* folder = new GxTaskFolder(root, u"$MESWIN");
    auto* autoButton = new GxTaskUINull(folder, nullptr, u"btn_auto", 0);
    struct Case {
        const char* what;
        bool mode;
        GxTaskFolder* folder;
        bool buttonAfter;
    } cases[] = {
        {"on: off with the button", true, folder, false},
        {"off: the button untouched", false, folder, true},
        {"no folder", true, nullptr, true},
    };
    for (const Case& c : cases) {
        autoButton->SetValueBool(true);
        ui.m_AutoMode = c.mode;
        GxCancelAutoMode(&ui, c.folder);
        EXPECT_FALSE(ui.m_AutoMode) << c.what;
        EXPECT_EQ(autoButton->GetValueBool(), c.buttonAfter) << c.what;
    }
    // The folder holds no "btn_skip": the mode goes all the same.
    ui.m_SkipMode = true;
    GxCancelSkipMode(&ui, folder);
    EXPECT_FALSE(ui.m_SkipMode);
    auto* notAWidget = new GxTaskFolder(folder, nullptr, u"btn_skip", 0);
    ui.m_SkipMode = true;
    GxCancelSkipMode(&ui, folder);
    EXPECT_FALSE(ui.m_SkipMode);
    EXPECT_EQ(notAWidget->GetTaskLocalName(), u"btn_skip");
    GxCancelAutoMode(nullptr, folder);
}

TEST_F(Manage, TheFactoryBuildsTheClassOfEachTypeCode) {
    // The classes built so far; the other known codes build nothing yet.
    const std::map<s32, std::u16string> built = {
        {1, u"GxTaskUINull"}, {8, u"GxTaskUIPanelFx"},   {12, u"GxTaskUIAutoHidePanelFx"}, {15, u"GxTaskUIPanelIs"},
        {16, u"GxTaskUIAnimePanelIs"}, {30, u"GxTaskUIHSliderIs"}, {31, u"GxTaskUIVSliderIs"}, {41, u"GxTaskUIHBarIs"},
        {9, u"GxTaskUIMessageWindowFx"}, {10, u"GxTaskUITextWindowFx"}, {11, u"GxTaskUITextPanelFx"},
        {13, u"GxTaskUINoticePanelFx"}, {17, u"GxTaskUITextPanelIs"}, {51, u"GxTaskUITextLogFx"},
        {18, u"GxTaskUIButtonIs"}, {19, u"GxTaskUIToggleButtonIs"}, {20, u"GxTaskUIRadioButtonIs"},
        {21, u"GxTaskUITextButtonIs"}, {22, u"GxTaskUIPressButtonIs"}, {23, u"GxTaskUITimerButtonIs"},
        {24, u"GxTaskUISpinButtonIs"}, {40, u"GxTaskUIMenuIs"}, {45, u"GxTaskUITipHelpIs"},
        {47, u"GxTaskUIDropMenuItemIs"}, {48, u"GxTaskUIDropMenuIs"}, {50, u"GxTaskUIListBoxFx"},
    };
    const std::vector<s32> known = {1,  8,  9,  10, 11, 12, 13, 15, 16, 17, 18, 19, 20,
                                    21, 22, 23, 24, 30, 31, 40, 41, 45, 47, 48, 50, 51};
    for (s32 code = -2; code <= 60; ++code) {
        log.Clear();
        GxTaskUIBase* w = GxUIWidgetFactory::Construct(code, root, u"w", code + 100, scene);
        const bool isKnown = std::find(known.begin(), known.end(), code) != known.end();
        EXPECT_EQ(GxUIWidgetFactory::GetClassName(code) != nullptr, isKnown) << code;
        auto it = built.find(code);
        if (it == built.end()) {
            EXPECT_EQ(w, nullptr) << code;
            EXPECT_EQ(log.Lines().size(), isKnown ? 1u : 0u) << code << ": " << log.Text();
            continue;
        }
        ASSERT_NE(w, nullptr) << code;
        EXPECT_EQ(w->GetTaskTag(), code) << "the tag is the type code";
        EXPECT_EQ(GxUIWidgetFactory::GetClassName(code), it->second);
        EXPECT_EQ(root->FindTaskLocal(u"w", code + 100), w);
        EXPECT_TRUE(w->TypeBits & kGxTypeUI);
        EXPECT_TRUE(log.Lines().empty()) << log.Text();
    }
    EXPECT_NE(GxUIWidgetFactory::Construct(15, root, u"global_panel", -1, scene), nullptr);
    EXPECT_NE(m.FindTaskName(u"global_panel"), nullptr);
    // A known class not built yet says so by name.
    for (s32 code : known) {
        if (GxUIWidgetFactory::IsBuilt(code)) continue;
        log.Clear();
        GxUIWidgetFactory::Construct(code, root, u"unbuilt", -1, scene);
        EXPECT_TRUE(log.Contains(GxToUtf8(GxUIWidgetFactory::GetClassName(code)))) << log.Text();
        break;
    }
}

TEST_F(Manage, LayoutAndModuleRecordsConfigureTheWidget) {
    auto* p = new GxTaskUIPanelIs(root, u"p");
    DBUILayoutRecord l = Layout(1, u"$UI:SeqTest", u"p", -1);
    l.Visible = 0, l.Enabled = 0, l.Min = 5, l.Max = 50, l.Value = 70, l.GroupID = 4, l.Text = u"t", l.Label = u"l";
    l.SystemSoundID = 2, l.AutoHelpTime = 300, l.Descript = u"d", l.Left = 12.5f, l.Top = 7, l.OrderZ = 3;
    p->ApplyLayoutRecord(l);
    EXPECT_FALSE(p->IsVisible());
    EXPECT_FALSE(p->IsEnabled());
    EXPECT_EQ(p->GetValue(), 70.0) << "the base does not clamp";
    EXPECT_EQ(p->GetMin(), 5.0);
    EXPECT_EQ(p->GetGroupID(), 4);
    EXPECT_EQ(p->GetText(), u"t");
    EXPECT_EQ(p->GetLabel(), u"l");
    EXPECT_EQ(p->GetSystemSoundID(), 2);
    EXPECT_EQ(p->GetAutoHelpTime(), 300);
    EXPECT_EQ(p->GetDescript(), u"d");
    EXPECT_EQ(p->GetVisualParam().m_Pos.x, 12.5f);
    EXPECT_EQ(p->GetOrderZ(), 3.0f);

    DBUIModuleRecord mod = Module(15, u"panel", 30, 20);
    mod.ClientLeft = 2, mod.ShapeType = 6, mod.AnimeSpeed = 0;
    p->ApplyModuleRecord(mod);
    EXPECT_EQ(p->GetModuleID(), 7);
    EXPECT_EQ(p->GetClientLeft(), 2);
    EXPECT_EQ(p->GetShapeType(), 6);
    EXPECT_EQ(p->GetAnimeSpeed(), 0);
    EXPECT_EQ(p->GetImageSetName(), u"uigis/ui.gis") << "the configured UI image-set folder";
    EXPECT_EQ(p->GetImageName(), u"panel");
}

} // namespace
