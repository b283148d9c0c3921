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
        bool moving;      // a layer under the visual folder still fades
        bool hideBefore;  // the message-window flag as an earlier wait left it
        s32 click, time, timeLeft, layer;
        bool hideAfter;
    };
    const Row rows[] = {
        {u"WA.CLICK()", false, false, 15, 0, 0, 0, false},
        {u"WA.CLICK(0, 4)", false, false, 7, 0, 0, 0, false},
        {u"WA.CLICK(0, 8)", false, false, 11, 0, 0, 0, false},
        {u"WA.CLICK(0, 0)", false, false, 3, 0, 0, 0, false},
        {u"WA.CLICK(\"\", \"\")", false, false, 15, 0, 0, 0, false},
        {u"WA.CLICK(1)", false, false, 15, 0, 0, 0, true},
        {u"WA.CLICK(0)", false, true, 15, 0, 0, 0, true},
        {u"wa.click(2, 4294967300)", false, false, 7, 0, 0, 0, true},
        {u"WA.TIME(500)", false, false, 0, 15, 500, 0, false},
        {u"WA.TIME(500, 0, 0)", false, false, 0, 1, 500, 0, false},
        {u"WA.TIME()", false, false, 0, 15, 0, 0, false},
        {u"WA.TIME(250, 1, 2)", false, false, 0, 3, 250, 0, true},
        {u"WA.TIME(4294967796)", false, false, 0, 15, 500, 0, false},
        {u"WA.TIME(\"300\", 0, 8, 99)", false, false, 0, 9, 300, 0, false},
        {u"WA.LAYER()", false, false, 0, 0, 0, 0, false},
        {u"WA.LAYER(1, 4)", false, false, 0, 0, 0, 0, false},
        {u"WA.LAYER(1, 4)", true, false, 0, 0, 0, 5, true},
        {u"WA.LAYER()", true, false, 0, 0, 0, 15, false},
        {u"WA.LAYER(0)", true, true, 0, 0, 0, 15, true},
    };
    std::u16string script;
    for (size_t i = 0; i < std::size(rows); ++i)
        script += u"*r" + GxFromUtf8(std::to_string(i)) + u"\n" + rows[i].call + u"\nEXIT()\n";
    StartGame(script.c_str());
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
        if (r.moving) GxAddActionFadeIn(0, 1000, layer);
        Run((u"r" + GxFromUtf8(std::to_string(i))).c_str());
        EXPECT_EQ(data_->m_Hold_WaitClick, r.click);
        EXPECT_EQ(data_->m_Hold_WaitTime, r.time);
        EXPECT_EQ(data_->m_Hold_WaitTime_TimeLeft, r.timeLeft);
        EXPECT_EQ(data_->m_Hold_EndOfLayerActionAll, r.layer);
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hideAfter);
    }
    EXPECT_EQ(Errors(), std::vector<std::string>{});
}

} // namespace
