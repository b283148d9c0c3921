// Menus, drop menus and list boxes: the rows' edges, hover and selection
// under scripted pointer, key, pad and wheel input, indices after the items
// change, a drop menu opened and closed by its timed steps, the list's
// scrolling and its scroll bar, and golden frames of a menu with a hovered
// row and of a scrolled list box.
#include "controls_fixture.h"

#include "graphics/text_fixture.h"
#include "ui/GxTaskUIDropMenuIs.h"
#include "ui/GxTaskUIDropMenuItemIs.h"
#include "ui/GxTaskUIListBoxFx.h"
#include "ui/GxTaskUIMenuIs.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUITextButtonIs.h"

using namespace uitest;

namespace {

class Menus : public ControlsTest {
protected:
    // A menu at (100, 100) with rows 18 high and the client columns 104 to
    // 156: row i spans y 118 + 18i to 136 + 18i.
    GxTaskUIMenuIs* LoadedMenu(std::initializer_list<const char16_t*> texts) {
        auto* menu = new GxTaskUIMenuIs(root, u"menu");
        menu->ApplyModuleRecord(Ctl(40, u"menu", 4, 2));
        menu->SetPos(100, 100, 0, 0);
        EXPECT_TRUE(menu->LoadImages()) << log.Text();
        s32 value = 10;
        for (const char16_t* t : texts) menu->AddItem(t, GxString(u"label ") + t, value++, GxString(u"about ") + t);
        return menu;
    }
    // A list box at (100, 100) on a 120 x 100 background, client from (2, 2),
    // rows 17 high (font 1), four of them shown: row r spans y 102 + 17r.
    GxTaskUIListBoxFx* LoadedList(s32 items) {
        PutPng("list.png", 120, 100, std::vector<uint32_t>(120 * 100, 0xFF102040));
        auto* list = new GxTaskUIListBoxFx(root, u"list");
        list->SetImageSource(u"list.png");
        list->SetClientRect(2, 2, 0, 0);
        list->SetVisibleRows(4);
        list->SetPos(100, 100, 0, 0);
        EXPECT_TRUE(list->LoadImages());
        for (s32 i = 0; i < items; ++i) {
            const GxString n = GxFormat(u"item %d", i);
            list->AddItem(n.c_str(), u"", 0, (u"label " + n).c_str(), 100 + i, (u"about " + n).c_str());
        }
        return list;
    }
    // Glyph maps at the configured sizes, as the game's start-up makes them.
    void SizeFonts() {
        for (int i = 0; i < GxGlobalFonts::kFontMapCount; ++i)
            GxGlobalFonts::GetFontMap(i)->SetFont(core_->m_Config->m_FontSize[i], nullptr);
    }
};

TEST_F(Menus, AMenuHoversAndSelectsItsEnabledRowsAndLeavesKeysAndWheelToTheScene) {
    AddControlSet();
    GxTaskUIMenuIs* menu = LoadedMenu({u"A", u"B", u"C"});
    // The rows start after the head, and their edges belong to no row.
    EXPECT_EQ(menu->GetHeight(), 90) << "head, three rows and foot";
    EXPECT_EQ(menu->GetClientWidth(), 52);
    struct Case {
        f32 x, y;
        s32 row;
    } cases[] = {
        {110, 118, -1}, {110, 118.5f, 0}, {110, 136, 1},   {110, 171.9f, 2}, {110, 172, -1},
        {104, 125, -1}, {156, 125, -1},   {155.5f, 125, 0}, {110, 105, -1},   {110, 180, -1},
    };
    for (const Case& c : cases) {
        m.OnMouseMove(GxVector2(c.x, c.y), 0);
        EXPECT_EQ(menu->GetHoverIndex(), c.row) << c.x << "," << c.y;
    }
    auto* about = new GxTaskUINull(root, u"about");
    menu->SetDescriptWidget(about);
    menu->GetItem(1)->m_Enabled = false;
    const auto hover = [menu] { return menu->GetHoverIndex(); };
    Play(menu,
         {{Act::Move, 110, 120, {}, 0, 0},
          {Act::Move, 110, 140, {}, 0, -1},
          {Act::Down, 110, 140, {}, 0, -1},
          {Act::Down, 110, 160, {UIEVENT_SELECT}, 1, 2},
          {Act::Key, 0, 0, {}, 0, 2},
          {Act::Pad, 0, 0, {}, 0, 2},
          {Act::Wheel, 110, 120, {}, 0, 2, NAN, -120},
          {Act::Update, 0, 0, {}, -1, 2}},
         hover, "menu");
    EXPECT_EQ(about->GetText(), u"about B") << "a disabled row still shows its description";
    EXPECT_EQ(menu->GetSelectedIndex(), 2);
    EXPECT_EQ(menu->GetSelectedLabel(), u"label C");
    EXPECT_EQ(menu->GetSelectedValue(), 12);
    Play(menu, {{Act::Move, 300, 300, {}, 0, -1}}, hover, "left");
    EXPECT_EQ(about->GetText(), u"");

    // The event carries the row and the pointer; unreported it is still consumed.
    scene->events.clear();
    m.OnLButtonDown(GxVector2(111, 121), 0, false);
    ASSERT_EQ(scene->events.size(), 1u);
    EXPECT_EQ(scene->events[0].m_Param, 0);
    EXPECT_EQ(scene->events[0].m_Vector0.y, 121.0f);
    menu->ClearEventReportFlag(UIEVENT_SELECT);
    Play(menu, {{Act::Down, 110, 160, {}, 1, 2}}, hover, "not reported");
    menu->SetEventBlockFlag(false);
    Play(menu, {{Act::Down, 110, 120, {}, 0, 0}}, hover, "not blocking");

    // Clearing the items forgets the rows they had; so does the selection's clear.
    EXPECT_EQ(menu->GetSelectedIndex(), 0);
    menu->ClearItems();
    EXPECT_EQ(menu->GetHeight(), 36);
    EXPECT_EQ(menu->GetHoverIndex(), -1);
    EXPECT_EQ(menu->GetSelectedIndex(), -1);
    m.OnMouseMove(GxVector2(110, 120), 0);
    EXPECT_EQ(menu->GetHoverIndex(), -1) << "an empty menu has no row";
    menu->AddItem(u"D", u"label D", 7, u"");
    EXPECT_EQ(menu->GetSelectedValue(), -1);
    EXPECT_EQ(menu->GetItem(1), nullptr);
    menu->AddColumnWidth(30);
    EXPECT_EQ(menu->GetColumnWidth(1), nullptr);
    Play(menu, {{Act::Down, 110, 120, {}, 0, 0}}, hover, "rebuilt");
    menu->GetItem(0)->m_Ticked = true;
    about->SetText(u"x");
    menu->ClearSelection();
    EXPECT_FALSE(menu->GetItem(0)->m_Ticked);
    EXPECT_EQ(menu->GetSelectedIndex(), -1);
    EXPECT_EQ(about->GetText(), u"");
}

TEST_F(Menus, ADropMenuOpensClosesByItsTimedStepsAndIgnoresKeys) {
    AddControlSet();
    // At the top level: the level it raises is its own.
    auto* drop = new GxTaskUIDropMenuIs(root, u"drop");
    EXPECT_TRUE(drop->IsSuspended()) << "a drop menu starts closed";
    drop->SetPos(200, 200, 0, 0);
    GxTaskUIDropMenuItemIs* items[2];
    for (int i = 0; i < 2; ++i) {
        items[i] = new GxTaskUIDropMenuItemIs(drop, nullptr, u"item", i);
        items[i]->ApplyModuleRecord(Ctl(47, u"btn"));
        items[i]->SetPos(0, f32(20 + 20 * i), 0, 0);
        ASSERT_TRUE(items[i]->LoadImages());
        EXPECT_TRUE(drop->AddItem(items[i]));
    }
    EXPECT_FALSE(drop->AddItem(new GxTaskUIDropMenuItemIs(root, u"elsewhere")));

    drop->Open();
    EXPECT_TRUE(drop->IsRunning());
    EXPECT_EQ(ui.m_ModalLevel, 1);
    EXPECT_EQ(drop->GetModalPriority(), 1);
    GxVector4 pos;
    items[1]->GetPos(&pos);
    EXPECT_EQ(pos.y, 0.0f) << "the items slide out from the menu's corner";
    for (auto* item : items) Step(item, 150000);
    items[1]->GetPos(&pos);
    EXPECT_EQ(pos.y, 40.0f);
    scene->events.clear();

    // An item's click; keys and the pad change nothing.
    Play(items[0],
         {{Act::Down, 205, 224, {UIEVENT_DECIDE}, 1},
          {Act::Update, 0, 0, {}, -1, 1},
          {Act::Key, 0, 0, {}, 0},
          {Act::Pad, 0, 0, {}, 0}},
         [&] { return items[0]->GetImageIndex(); }, "item");
    EXPECT_TRUE(drop->IsRunning());

    // A press beside the items closes it and is passed on.
    EXPECT_EQ(m.OnRButtonDown(GxVector2(500, 500), 0, false), 0);
    EXPECT_EQ(ui.m_ModalLevel, 0);
    EXPECT_EQ(drop->GetModalPriority(), 0);
    Step(drop, 150000);
    EXPECT_TRUE(items[0]->IsSuspended()) << "the items after 150 ms";
    EXPECT_TRUE(drop->IsRunning());
    Step(drop, 150000);
    EXPECT_TRUE(drop->IsSuspended()) << "the menu after 300 ms";
    for (auto* item : items) Step(item, 150000);
    items[1]->GetPos(&pos);
    EXPECT_EQ(pos.y, 0.0f);

    // Closed with no dialog counted, the count stays at 0.
    drop->Open();
    ui.m_ModalLevel = 0;
    drop->SetModalPriority(0);
    Step(drop);
    EXPECT_EQ(m.OnLButtonDown(GxVector2(500, 500), 0, false), 0);
    EXPECT_EQ(ui.m_ModalLevel, 0);
}

TEST_F(Menus, ADropMenuItemWaitsWhileTheShutdownDialogIsOpen) {
    AddControlSet();
    auto* item = new GxTaskUIDropMenuItemIs(root, u"item");
    item->ApplyModuleRecord(Ctl(47, u"btn"));
    item->SetPos(100, 100, 0, 0);
    ASSERT_TRUE(item->LoadImages());
    EXPECT_TRUE(item->TypeBits & kGxTypeUIButton);
    auto* shutdown = new GxTaskUINull(top, u"dlg_shutdown");
    const auto face = [item] { return item->GetImageIndex(); };
    Play(item, {{Act::Down, 105, 104, {}, 0}, {Act::Update, 0, 0, {}, -1, 0}}, face, "dialog open");
    shutdown->Suspend();
    Play(item, {{Act::Down, 105, 104, {UIEVENT_DECIDE}, 1}}, face, "dialog closed");
    EXPECT_EQ(scene->events[0].m_Word, 0u) << "no key flags, unlike the buttons";
    item->ClearEventReportFlag(UIEVENT_DECIDE);
    Play(item, Join({{{Act::Down, 105, 104, {}, 0}}, Updates(15, {}, 1), Updates(1, {}, 0)}), face, "not reported");
}

TEST_F(Menus, TheListScrollsWithinItsItemsAndTheWheelMovesOneRowATurn) {
    ASSERT_TRUE(Start());
    GxTaskUIListBoxFx* list = LoadedList(10);
    EXPECT_EQ(list->GetClientHeight(), 98) << "the margin on the top only";
    struct Value {
        s32 items;
        f64 set, got;
    } values[] = {{10, 9, 6}, {10, -3, 0}, {10, 6, 6}, {3, 2, 0}, {4, 1, 0}, {5, 7, 1}};
    for (const Value& v : values) {
        list->ClearItems();
        for (s32 i = 0; i < v.items; ++i) list->AddItem(u"x", u"", 0, u"", i, u"");
        list->SetValue(v.set);
        EXPECT_EQ(list->GetValue(), v.got) << v.items << " items, " << v.set;
    }

    auto* bar = new GxTaskUINull(root, u"bar");
    list->SetScrollBar(bar);
    list->ClearItems();
    EXPECT_EQ(bar->GetMax(), 0.0);
    for (s32 i = 0; i < 10; ++i) list->AddItem(u"x", u"", 0, u"", i, u"");
    EXPECT_EQ(bar->GetMax(), 6.0) << "the largest top index";
    list->SetValue(3);
    const auto value = [list] { return list->GetValueInt(); };
    Play(list,
         {{Act::Wheel, 110, 110, {}, 1, 2, NAN, 360},
          {Act::Wheel, 110, 110, {}, 1, 3, NAN, -120},
          {Act::Wheel, 110, 110, {}, 1, 3, NAN, 60},
          {Act::Wheel, 110, 110, {}, 1, 4, NAN, -840},
          {Act::Wheel, 300, 110, {}, 0, 4, NAN, -120},
          {Act::Key, 0, 0, {}, 0, 4},
          {Act::Pad, 0, 0, {}, 0, 4}},
         value, "wheel");
    bar->SetValue(99);
    m.OnMouseWheel(GxVector2(110, 110), 60, 0);
    EXPECT_EQ(bar->GetValue(), 4.0) << "a turn too small to scroll still brings the bar in line";
    for (int i = 0; i < 5; ++i) m.OnMouseWheel(GxVector2(110, 110), -120, 0);
    EXPECT_EQ(list->GetValue(), 6.0);
    EXPECT_EQ(bar->GetValue(), 6.0);

    // The visible rows from the client height: 200 / (16 + 2).
    core_->m_Config->m_FontSize[1] = 16;
    PutPng("tall.png", 50, 200, std::vector<uint32_t>(50 * 200, 0xFF000000));
    auto* tall = new GxTaskUIListBoxFx(root, u"tall");
    tall->SetImageSource(u"tall.png");
    tall->LoadImages();
    EXPECT_EQ(tall->GetVisibleRows(), 11);
}

TEST_F(Menus, TheListsSelectionFollowsItsItemsNotItsRows) {
    ASSERT_TRUE(Start());
    GxTaskUIListBoxFx* list = LoadedList(10);
    auto* about = new GxTaskUINull(root, u"about");
    list->SetDescriptWidget(about);
    list->GetItem(4)->m_Enabled = false;
    const auto hover = [list] { return list->GetHoverIndex(); };
    const auto selected = [list] { return list->GetSelectedIndex(); };
    const f32 x = 110;
    auto rowY = [](int r) { return f32(103 + 17 * r); };
    // Movement over a row is consumed (the panel blocks movement).
    Play(list,
         {{Act::Move, x, rowY(1), {}, 1, 1},
          {Act::Down, x, rowY(1), {UIEVENT_SELECT}, 1, 1},
          {Act::Wheel, x, rowY(1), {}, 1, -1, 1, -120},
          {Act::Move, x, rowY(0), {}, 1, 1},
          {Act::Move, x, rowY(4), {}, 0, -1},
          {Act::Move, x, rowY(3), {}, 1, -1}},
         hover, "hover");
    EXPECT_EQ(about->GetText(), u"about item 4") << "a disabled row still shows its description";
    EXPECT_EQ(list->GetSelectedText(), u"label item 1");
    EXPECT_EQ(list->GetSelectedValue(), 101);
    Play(list, {{Act::Down, x, rowY(4), {UIEVENT_SELECT}, 1, -1}, {Act::Down, x, rowY(2), {UIEVENT_SELECT}, 1, 3}},
         selected, "press");
    // A disabled row: the selection goes, the hover stays.
    Play(list, {{Act::Move, x, rowY(2), {}, 1, 3}, {Act::Down, x, rowY(3), {UIEVENT_SELECT}, 1, 3}}, hover,
         "disabled");
    EXPECT_EQ(list->GetSelectedIndex(), -1);
    scene->events.clear();
    m.OnLButtonDown(GxVector2(x, rowY(4)), 0, false);
    ASSERT_EQ(scene->events.size(), 1u);
    EXPECT_EQ(scene->events[0].m_Vector0.x, -1.0f);
    EXPECT_EQ(scene->events[0].m_Vector0.y, -1.0f) << "beyond the visible rows nothing is selected";
    EXPECT_EQ(list->GetSelectedIndex(), -1);
    m.OnLButtonDown(GxVector2(x, rowY(0)), 0, false);
    EXPECT_EQ(list->GetSelectedIndex(), 1);

    // New items: nothing selected or hovered, back at the top.
    list->ClearItems();
    EXPECT_EQ(list->GetSelectedIndex(), -1);
    EXPECT_EQ(list->GetHoverIndex(), -1);
    EXPECT_EQ(list->GetValue(), 0.0);
    EXPECT_EQ(about->GetText(), u"");
    list->AddItem(u"y", u"", 0, u"y", 1, u"");
    EXPECT_EQ(list->GetSelectedText(), u"");
    EXPECT_EQ(list->GetSelectedValue(), -1);
    Play(list, {{Act::Down, x, rowY(1), {UIEVENT_SELECT}, 1, -1}, {Act::Down, x, rowY(0), {UIEVENT_SELECT}, 1, 0}},
         selected, "one item");
    list->ClearColumnWidths();
    EXPECT_EQ(list->GetSelectedIndex(), -1);
    list->GetItem(0)->m_Ticked = true;
    list->ClearSelection();
    EXPECT_FALSE(list->GetItem(0)->m_Ticked);
}

TEST_F(Menus, AGoldenFrameOfAMenuWithAHoveredRow) {
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    AddControlSet();
    SizeFonts();
    auto* menu = new GxTaskUIMenuIs(root, u"menu");
    menu->ApplyModuleRecord(Ctl(40, u"menu", 4, 1));
    menu->SetPos(8, 8, 0, 0);
    ASSERT_TRUE(menu->LoadImages());
    for (const char16_t* t : {u"はじめから", u"つづきから", u"設定", u"終了"}) menu->AddItem(t, t, 0, u"");
    menu->GetItem(2)->m_Enabled = false;
    menu->AddColumnWidth(32);
    menu->AddColumnWidth(12);
    for (const char16_t* t : {u"Q", u"R", u"S"}) {
        GxUIMenuItem sub;
        sub.m_Text = t;
        menu->GetItem(3)->m_SubItems.push_back(sub);
    }
    // Rows from y 26, 18 high: the disabled row 2 refuses, row 1 is
    // selected, row 0 hovered.
    m.OnLButtonDown(GxVector2(20, 72), 0, false);
    m.OnLButtonDown(GxVector2(20, 54), 0, false);
    Point(20, 36);
    m.OnMouseMove(GxVector2(20, 36), 0);
    EXPECT_EQ(menu->GetHoverIndex(), 0);
    EXPECT_EQ(menu->GetSelectedIndex(), 1);

    auto* text = new GxTaskUITextButtonIs(root, u"text");
    DBUIModuleRecord module = Ctl(21, u"btn");
    module.Width = 56, module.Height = 40, module.FontIndex = 1;
    text->ApplyModuleRecord(module);
    text->SetPos(100, 8, 0, 0);
    ASSERT_TRUE(text->LoadImages());
    text->SetText(u"OK|はい");
    auto* centred = new GxTaskUITextButtonIs(root, u"centred");
    centred->ApplyModuleRecord(module);
    centred->SetPos(100, 56, 0, 0);
    ASSERT_TRUE(centred->LoadImages());
    centred->SetText(u"OK");
    const std::vector<uint32_t> px = Frame(164, 124);
    EXPECT_TRUE(gxtest::MatchesGolden("menu_hover", px, 164, 124, "ui"));
}

TEST_F(Menus, AGoldenFrameOfAScrolledListBox) {
    const std::string mismatch = gxtest::GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    ASSERT_TRUE(Start());
    SizeFonts();
    // Digits of the prefix font: 6 x 8 blocks, each a little lighter.
    std::vector<uint32_t> digits(60 * 8);
    for (u32 x = 0; x < 60; ++x)
        for (u32 y = 1; y < 7; ++y) digits[y * 60 + x] = x % 6 == 5 ? 0 : 0xFF000000u | (0x60 + x * 3) * 0x010101u;
    PutPng("digits.png", 60, 8, digits);
    ASSERT_TRUE(GxGlobalFonts::GetFontData(1)->Create(u"digits", u"digits.png", u'0', u'9', 6, 8, 10));
    GxTaskUIListBoxFx* list = LoadedList(0);
    list->SetVisibleRows(5);
    list->AddColumnWidth(60);
    const char16_t* names[] = {u"Alpha", u"Beta", u"Gamma", u"Delta", u"Epsilon", u"Zeta", u"Eta"};
    for (int i = 0; i < 7; ++i) {
        GxUIListItem* item = list->AddItem(names[i], i % 2 ? u"12" : u"", 1, u"", i, u"");
        list->AddItemText(item, u"sub")->m_Color = 0xFFFF8080;
    }
    list->GetItem(4)->m_Enabled = false;
    list->GetItem(5)->m_Ticked = true;
    list->GetItem(2)->m_Color = 0xFF80FF80;
    list->SetValue(1);
    list->SetPos(8, 8, 0, 0);
    // Rows from y 11, 17 apart: item 1 selected, item 3 hovered.
    m.OnLButtonDown(GxVector2(20, 11), 0, false);
    Point(20, 45);
    m.OnMouseMove(GxVector2(20, 45), 0);
    EXPECT_EQ(list->GetSelectedIndex(), 1);
    EXPECT_EQ(list->GetHoverIndex(), 3);
    const std::vector<uint32_t> px = Frame(136, 116);
    EXPECT_TRUE(gxtest::MatchesGolden("list_box", px, 136, 116, "ui"));
}

} // namespace
