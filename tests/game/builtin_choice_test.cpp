// The choice builtins: the menu they build in the game state, the labels
// they check, the choices the window cannot hold, and a menu of three shown
// by the main scene and taken by the player.
#include "StandChoiceFixture.h"

#include "gamedata/GxUserDataPerman.h"

namespace {

class ChoiceBuiltins : public maintest::GameBuiltinSceneTest {
protected:
    static GxUserData& Data() { return *GxUserData::Get(); }
    // Items 1 to 10 as "text/label/flags" ('v' visible, 'e' enabled, 'g' a
    // call), '|' between them, then the cancel number and the key.
    static std::string Menu() {
        std::string out;
        for (size_t k = 1; k < Data().m_SelectMenuItemList.size(); ++k) {
            const GxSelectMenuItem& it = Data().m_SelectMenuItemList[k];
            out += GxToUtf8(it.m_Text + u"/" + it.m_Label + u"/") + (it.m_Visible ? "v" : "") + (it.m_Enable ? "e" : "") +
                   (it.m_UseGosub ? "g" : "") + "|";
        }
        return out + std::to_string(Data().m_CancelSelectNum) + " " + GxToUtf8(Data().m_SelectHash);
    }
};

TEST_F(ChoiceBuiltins, TheMenuInTheGameState) {
    const std::string rest = "//ve|//ve|//ve|//ve|//ve|//ve|//ve|";
    struct Row {
        const char16_t* lines;
        std::string menu;
        const char* report;  // empty: none
        bool stops = false;
    };
    const Row rows[] = {
        {u"SEL.GO(\"sea\", , \"river\")", "/sea/ve|//ve|/river/ve|" + rest + "0 ", ""},
        // Every label is set; a missing one is reported, and stops the
        // script once all are set.
        {u"SEL.GOSUB(\"sea\", \"nowhere\", \"@local\")", "/sea/veg|/nowhere/veg|/@local/veg|" + rest + "0 ",
         "sel.gosub:選択肢[2]のラベル[nowhere]は存在しません", true},
        {u"SEL.VISIBLE(1, , 0)\nSEL.ENABLE(0, \"1\", \"\", 0.0)\nSEL.CANCEL(4294967299)\nSEL.HASH(\"k\")",
         "//v|//ve|//e|//v|//ve|//ve|//ve|//ve|//ve|//ve|3 k", ""},
        {u"SEL.CANCEL(5)\nSEL.HASH(\"k\")\nSEL.CANCEL()\nSEL.HASH()", "//ve|//ve|//ve|" + rest + "0 ", ""},
        // Items without a text are left out, whatever was set before; a menu
        // without a key is keyed by its place.
        {u"SEL.GOSUB(\"sea\", \"sea\", \"sea\")\nSEL(\"海へ\", \"\", \"川へ\")", "海へ/sea/veg|/sea/|川へ/sea/veg|//|//|//|//|//|//|//|0 main:", ""},
        {u"SEL()", "//|//|//|//|//|//|//|//|//|//|0 main:", ""},
        // More choices than the window holds are refused with a report.
        {u"SEL(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", \"9\", \"10\", \"11\", \"12\")",
         "1//ve|2//ve|3//ve|4//ve|5//ve|6//ve|7//ve|8//ve|9//ve|10//ve|0 main:", "sel:選択肢は10個までです。超えた2個は無視します"},
        {u"SEL.VISIBLE(0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, , \"\")", "//e|//e|//e|//e|//e|//e|//e|//e|//e|//ve|0 ",
         "sel.visible:選択肢は10個までです。超えた1個は無視します"},
    };
    std::vector<std::u16string> lines;
    for (const Row& r : rows) lines.push_back(r.lines);
    lines.push_back(u"*sea\n*river\n*@local");
    PlayRows(lines);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.lines));
        Data().ClearSelect();
        Data().m_HideWindowByCommandFlag = true;
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), *r.report ? ReportAt(i, 0, r.report) : "");
        EXPECT_EQ(stopped, r.stops);
        std::string want = r.menu;
        if (want.ends_with("main:")) {
            want += std::to_string(rowLines_[i] + int(std::count(r.lines, r.lines + GxString(r.lines).size(), u'\n')));
            EXPECT_FALSE(Data().m_HideWindowByCommandFlag);
        }
        EXPECT_EQ(Menu(), want);
    }
}

// Three choices leading to three labels, each taken by a click on its
// button; keys that advance text and a click beside the buttons take none.
TEST_F(ChoiceBuiltins, AChoiceOfThreeLeadsToItsLabel) {
    const char* arrivals[] = {"海に着いた。", "山に着いた。", "川に着いた。"};
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        Restart();
        Play(u"*start\nSEL.GO(\"sea\", \"mountain\", \"river\")\nSEL(\"海へ\", \"山へ\", \"川へ\")\n> ここには来ない。\n"
             u"*sea\n> 海に着いた。\nEXIT()\n*mountain\n> 山に着いた。\nEXIT()\n*river\n> 川に着いた。\nEXIT()\n");
        for (u32 key : {0x0Du, 0x28u, 0x27u}) Key(key), Frames(5);
        Tasks().OnLButtonDown(GxVector2(40.0f, 40.0f), 0, false);
        Frames(5);
        ASSERT_TRUE(Data().m_IsSelecting) << log_.Text();
        GxTaskUIBase* button = Main()->GetChoiceButton(k);
        GxVector4 at;
        button->GetWorldPos(&at);
        Tasks().OnLButtonDown(GxVector2(at.x + f32(button->GetWidth() / 2), at.y + f32(button->GetHeight() / 2)), 0, false);
        ASSERT_TRUE(UntilClickWait()) << log_.Text();
        EXPECT_EQ(Shown(), arrivals[k - 1]);
        EXPECT_EQ(Data().m_LastSelectNum, k);
        EXPECT_TRUE(GxUserDataPerman::Get()->IsSelectedMenu(u"main:3", k));
        EXPECT_FALSE(log_.Contains("err:")) << log_.Text();
    }
}

} // namespace
