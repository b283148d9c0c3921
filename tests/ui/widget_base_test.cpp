// The widget base: values and their rounding, the report mask, hit tests,
// centring, the in-tree queries, locks, the automatic tool tip and the stored
// form.
#include "ui_fixture.h"

#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIPanelIs.h"

#include <cmath>
#include <functional>

using namespace uitest;

namespace {

class WidgetBase : public UITest {};

TEST_F(WidgetBase, RoundedValuesStayInsideTheirRange) {
    struct Row {
        f64 min, max, value;
        s32 rounded, truncated;
    } rows[] = {
        {0, 10, 9.6, 10, 9},     {0, 10, 12.3, 10, 12},   {0, 10, 4.5, 5, 4},   {-10, 10, -2.7, -2, -2},
        {-10, 10, 2.7, 2, 2},    {-10, -1, -2.5, -3, -2}, {-10, -1, -12, -10, -12}, {0, 0, 3.9, 3, 3},
        {0, 10, 1e300, 10, 2147483647}, {0, 10, NAN, 0, 0},
    };
    auto* w = new GxTaskUINull(root, u"w");
    for (const Row& r : rows) {
        w->SetMin(r.min), w->SetMax(r.max), w->SetValue(r.value);
        EXPECT_EQ(w->GetValueRounded(), r.rounded) << r.min << ".." << r.max << " " << r.value;
        EXPECT_EQ(w->GetValueInt(), r.truncated) << r.value;
    }
    w->SetValue(0);
    w->AddValueInt(3), w->AddValue(0.25);
    EXPECT_EQ(w->GetValue(), 3.25) << "unclamped in the base";
    w->SetValueBool(true);
    EXPECT_TRUE(w->GetValueBool());
}

TEST_F(WidgetBase, TheReportMaskRefusesBitsOutsideItsWord) {
    struct Row {
        const char* what;
        std::function<void(GxTaskUIBase&)> change;
        u32 flags;
    } rows[] = {
        {"clear 7", [](GxTaskUIBase& w) { w.ClearEventReportFlag(7); }, ~0x80u},
        {"clear 31", [](GxTaskUIBase& w) { w.ClearEventReportFlag(31); }, 0x7FFFFFFFu},
        {"clear 32 refused", [](GxTaskUIBase& w) { w.ClearEventReportFlag(32); }, ~0u},
        {"clear 39 refused", [](GxTaskUIBase& w) { w.ClearEventReportFlag(39); }, ~0u},
        {"clear -1 refused", [](GxTaskUIBase& w) { w.ClearEventReportFlag(-1); }, ~0u},
        {"clear 1, set 33 sets 1",
         [](GxTaskUIBase& w) { w.ClearEventReportFlag(1), w.SetEventReportFlag(33); }, ~0u},
        {"clear 31, set -1 sets 31",
         [](GxTaskUIBase& w) { w.ClearEventReportFlag(31), w.SetEventReportFlag(-1); }, ~0u},
    };
    for (const Row& r : rows) {
        GxTaskUINull w(nullptr);
        r.change(w);
        EXPECT_EQ(w.GetEventReportFlags(), r.flags) << r.what;
    }
    GxTaskUINull w(nullptr);
    for (int n : {32, 40, 64, -1, -32}) EXPECT_FALSE(w.IsEventReported(n)) << n;
    EXPECT_TRUE(w.IsEventReported(0));
    EXPECT_TRUE(w.IsEventReported(31));
}

TEST_F(WidgetBase, HitTestsCentringAndLocks) {
    auto* w = new GxTaskUINull(root, u"w");
    w->SetWidth(200), w->SetHeight(100), w->SetClientRect(10, 20, 50, 30);
    const GxVector4 at(100, 50, 0, 0);
    struct Row {
        f32 x, y;
        bool inside, client;
    } rows[] = {
        {100, 50, true, false},  {299.9f, 149.9f, true, false}, {300, 60, false, false}, {150, 150, false, false},
        {99.9f, 60, false, false}, {110, 70, true, true},       {159.9f, 99.9f, true, true}, {160, 80, true, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(w->HitTest(&at, r.x, r.y), r.inside) << r.x << "," << r.y;
        EXPECT_EQ(w->HitTestClient(&at, r.x, r.y), r.client) << r.x << "," << r.y;
    }

    w->CenterX(0), w->CenterY(-8);
    EXPECT_EQ(w->GetVisualParam().m_Pos.x, 412.0f) << "no actor parent: the 1024-wide screen";
    EXPECT_EQ(w->GetVisualParam().m_Pos.y, 326.0f);
    auto* child = new GxTaskUINull(w, u"child");
    child->SetWidth(51);
    child->CenterX(3);
    EXPECT_EQ(child->GetVisualParam().m_Pos.x, 77.0f) << "(200 - 51) / 2 truncated, plus 3";

    w->Unlock();
    EXPECT_EQ(w->GetLockCount(), 0);
    w->Lock(), w->Lock(), w->Unlock();
    EXPECT_EQ(w->GetLockCount(), 1);
    EXPECT_TRUE(child->IsLockedInTree());
    w->ResetLock();
    EXPECT_FALSE(child->IsLockedInTree());
}

TEST_F(WidgetBase, TreeQueriesStopAtTheFirstAncestorThatIsNoWidget) {
    auto* outer = new GxTaskUINull(root, u"outer");
    auto* folder = new GxTaskFolder(outer, u"folder");
    auto* dialog = new GxTaskUINull(folder, u"dialog");
    auto* button = new GxTaskUINull(dialog, u"button");
    outer->Hide(), outer->SetEnabled(false), outer->SetTopMostFlag(true), outer->Lock();
    EXPECT_TRUE(button->IsVisibleInTree()) << "the folder ends the walk before the hidden widget";
    EXPECT_TRUE(button->IsEnabledInTree());
    EXPECT_FALSE(button->IsTopMostInTree());
    EXPECT_FALSE(button->IsLockedInTree());
    EXPECT_EQ(GxTaskUIBase::GetUIDepth(button), 2) << "every widget above counts for the modal test";

    dialog->Hide();
    EXPECT_FALSE(button->IsVisibleInTree()) << "a hidden parent hides its widgets";
    EXPECT_TRUE(button->IsVisible());
    dialog->SetModalFlag(true), dialog->SetModalPriority(2);
    button->SetModalPriority(5);
    EXPECT_EQ(button->GetModalPriorityInTree(), 2) << "only priorities with the modal flag count";
    button->SetModalFlag(true);
    EXPECT_EQ(button->GetModalPriorityInTree(), 5);
    dialog->SetAlpha(128), button->SetAlpha(200);
    EXPECT_EQ(button->GetAlphaInTree(), 100) << "200 x 128 / 255 truncated";
    dialog->AddAction(1, GxActionParam());
    EXPECT_FALSE(button->IsActionIdleInTree());
    EXPECT_TRUE(outer->IsActionIdleInTree());
}

TEST_F(WidgetBase, TheToolTipShowsOncePerHoverWhenItsTimeIsCrossed) {
    auto* tip = new GxTaskUINull(top, u"tip_help");
    auto* w = new GxTaskUIPanelIs(root, u"w");
    w->SetWidth(100), w->SetHeight(100);
    w->SetDescript(u"help text");
    const GxVector2 inside(30, 40);
    struct Row {
        s32 helpTime;
        bool hovered;
        std::vector<s64> steps;  // microseconds
        bool shown;
        s32 hoverTime;
    } rows[] = {
        {100, true, {60000, 30000}, false, 90},
        {100, true, {60000, 40000}, true, 100},
        {100, true, {60000, 60000, 60000}, true, 180},
        {0, true, {16000}, false, 16},  // a hover time of 0 is never below 0
        {-1, true, {16000, 16000}, false, 0},
        {100, false, {200000}, false, 0},
        {kGxUIHoverTimeMax, true, {86400000000LL, 1000000}, true, kGxUIHoverTimeMax},
    };
    for (const Row& r : rows) {
        tip->Suspend(), tip->Hide(), tip->SetText(u"");
        w->ResetEventState();
        w->SetAutoHelpTime(r.helpTime);
        if (r.hovered) w->OnMouseMove(inside, 0);
        ASSERT_EQ(w->GetHoverCount(), r.hovered ? 1 : 0);
        for (s64 s : r.steps) w->UpdateAutoHelp(s, &inside);
        EXPECT_EQ(tip->IsRunning() && tip->IsVisible(), r.shown) << r.helpTime;
        EXPECT_EQ(tip->GetText(), r.shown ? u"help text" : u"") << r.helpTime;
        EXPECT_EQ(w->GetHoverTime(), r.hoverTime) << r.helpTime;
    }
    // Once past the threshold the tip is not shown again in the same hover.
    tip->Suspend();
    w->UpdateAutoHelp(16000, &inside);
    EXPECT_TRUE(tip->IsSuspended());
}

// A widget with every stored field away from its default.
void Fill(GxTaskUIBase& w) {
    w.SetEnabled(false), w.SetMax(10), w.SetMin(-4), w.SetValue(2.5), w.SetChange(0.5), w.SetGroupID(3);
    w.SetText(u"テキスト"), w.SetLabel(u"label"), w.SetSystemSoundID(9), w.SetAutoHelpTime(700);
    w.SetDescript(u"説明"), w.SetWidth(120), w.SetHeight(40), w.SetClientRect(1, 2, 3, 4);
    w.SetModalFlag(true), w.SetModalPriority(2), w.SetTopMostFlag(true), w.SetImageAlpha(99);
    w.SetEventState(16), w.ClearEventReportFlag(8), w.SetEventBlockFlag(false), w.SetMouseMoveBlockFlag(true);
    w.SetAutoReleaseImageFlag(false), w.Lock(), w.Lock(), w.SetAnimeSpeed(5);
    w.SetPos(3, 4, 0, 0), w.SetAlpha(77);
}

TEST_F(WidgetBase, TheStoredFormComesBackWholeInBothForms) {
    for (bool text : {true, false}) {
        GxTaskUINull a(nullptr), b(nullptr);
        Fill(a);
        a.OnMouseMove(GxVector2(), 0);
        EXPECT_TRUE(SameStoredForm(a, b, text)) << text;
        EXPECT_EQ(b.GetText(), u"テキスト");
        EXPECT_EQ(b.GetDescript(), u"説明");
        EXPECT_EQ(b.GetEventReportFlags(), ~0x100u);
        EXPECT_EQ(b.GetLockCount(), 2);
        EXPECT_EQ(b.GetHoverTime(), 0);
        EXPECT_FALSE(b.GetDragState().m_Dragging);
    }
}

// A widget whose lock count can be set as a damaged save would hold it.
struct RawWidget : GxTaskUINull {
    using GxTaskUINull::GxTaskUINull;
    void SetLockCount(s32 n) { m_LockCount = n; }
};

TEST_F(WidgetBase, ADamagedStoredFormIsReportedAndCannotLockForGood) {
    const std::vector<unsigned char> bytes = qtest::WriteContentBytes(false, "UITEST", 1, [&](GxContentWriterBase& wr) {
        RawWidget s(nullptr);
        Fill(s);
        s.SetLockCount(-3);
        s.WriteContent(&wr);
    });
    mtest::StreamReader whole(bytes, "UITEST");
    ASSERT_TRUE(whole.headerOk);
    GxTaskUINull b(nullptr);
    EXPECT_TRUE(b.ReadContent(whole.reader.get()));
    EXPECT_EQ(b.GetLockCount(), 0) << "a negative count from a save reads as unlocked";
    b.Lock(), b.Unlock();
    EXPECT_EQ(b.GetLockCount(), 0);

    mtest::StreamReader cut(std::vector<u8>(bytes.begin(), bytes.end() - 3), "UITEST");
    ASSERT_TRUE(cut.headerOk);
    GxTaskUINull c(nullptr);
    EXPECT_FALSE(c.ReadContent(cut.reader.get()));
}

} // namespace
