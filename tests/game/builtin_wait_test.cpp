// The wait builtins run by the main script worker of the headless game: the
// holds and flags they store, the message-window flag, and the layer wait
// that holds only while something on the screen still moves.
#include "BuiltinScript.h"

#include "gamedata/GxUserData.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxTaskManage.h"

#include <gtest/gtest.h>

namespace {

using gametest::BuiltinScriptTest;

class WaitBuiltins : public BuiltinScriptTest {};

TEST_F(WaitBuiltins, HoldsTakeTheirFlagsWithBitZeroSet) {
    struct Row {
        const char16_t* call;
        int moving;       // a layer under the visual folder: 0 still, 1 fading, 2 in a transition
        bool hideBefore;  // the message-window flag as an earlier wait left it
        s32 click, time, timeLeft, layer;
        bool hideAfter;
    };
    const Row rows[] = {
        {u"WA.CLICK()", 0, false, 15, 0, 0, 0, false},
        {u"WA.CLICK(0, 4)", 0, false, 7, 0, 0, 0, false},
        {u"WA.CLICK(0, 8)", 0, false, 11, 0, 0, 0, false},
        {u"WA.CLICK(0, 0)", 0, false, 3, 0, 0, 0, false},
        {u"WA.CLICK(\"\", \"\")", 0, false, 15, 0, 0, 0, false},
        {u"WA.CLICK(1)", 0, false, 15, 0, 0, 0, true},
        {u"WA.CLICK(0)", 0, true, 15, 0, 0, 0, true},
        {u"wa.click(2, 4294967300)", 0, false, 7, 0, 0, 0, true},
        {u"WA.TIME(500)", 0, false, 0, 15, 500, 0, false},
        {u"WA.TIME(500, 0, 0)", 0, false, 0, 1, 500, 0, false},
        {u"WA.TIME()", 0, false, 0, 15, 0, 0, false},
        {u"WA.TIME(250, 1, 2)", 0, false, 0, 3, 250, 0, true},
        {u"WA.TIME(4294967796)", 0, false, 0, 15, 500, 0, false},
        {u"WA.TIME(\"300\", 0, 8, 99)", 0, false, 0, 9, 300, 0, false},
        {u"WA.LAYER()", 0, false, 0, 0, 0, 0, false},
        {u"WA.LAYER(1, 4)", 0, false, 0, 0, 0, 0, false},
        {u"WA.LAYER(1, 4)", 1, false, 0, 0, 0, 5, true},
        {u"WA.LAYER()", 1, false, 0, 0, 0, 15, false},
        {u"WA.LAYER(0)", 1, true, 0, 0, 0, 15, true},
        {u"WA.LAYER(0, 8)", 2, false, 0, 0, 0, 9, false},
    };
    StartRows(gametest::Calls(rows));
    GxTaskBase* visual = core_.GetTaskManage()->FindTaskName(u"$VISUAL:SeqAvgMain");
    if (!visual) visual = new GxTaskBase(core_.GetTaskManage()->GetTopTask(), u"$VISUAL:SeqAvgMain");
    auto* layer = new GxTaskLayer(visual);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.call));
        data_->m_Hold_WaitClick = data_->m_Hold_WaitTime = data_->m_Hold_WaitTime_TimeLeft = 0;
        data_->m_Hold_EndOfLayerActionAll = 0;
        data_->m_HideWindowByCommandFlag = r.hideBefore;
        layer->ClearActions();
        layer->FinishTransit();
        if (r.moving == 1) GxAddActionFadeIn(0, 1000, layer);
        if (r.moving == 2) {
            ASSERT_TRUE(layer->StartTransit(1000));
        }
        RunRow(i);
        EXPECT_EQ(data_->m_Hold_WaitClick, r.click);
        EXPECT_EQ(data_->m_Hold_WaitTime, r.time);
        EXPECT_EQ(data_->m_Hold_WaitTime_TimeLeft, r.timeLeft);
        EXPECT_EQ(data_->m_Hold_EndOfLayerActionAll, r.layer);
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hideAfter);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
    }
}

} // namespace
