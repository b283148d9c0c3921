// The choice builtins run by the main script worker: the menu they build in
// the game state, the labels they check, the choices the window cannot hold,
// and a menu of three shown by the main scene and taken by the player.
#include "StandChoiceFixture.h"

#include "gamedata/GxUserDataPerman.h"

#include <functional>

namespace {

using maintest::GameBuiltinSceneTest;

class ChoiceBuiltins : public GameBuiltinSceneTest {
protected:
    static GxUserData& Data() { return *GxUserData::Get(); }
    static GxSelectMenuItem& Item(int k) { return Data().m_SelectMenuItemList.at(size_t(k)); }
    // Texts (or labels) of items 1 to 10, '|' between them, and each item's
    // flags as "v" visible, "e" enabled, "g" a call.
    static std::string Texts(GxString GxSelectMenuItem::*field) {
        std::string out;
        for (int k = 1; k <= 10; ++k) out += (k > 1 ? "|" : "") + GxToUtf8(Item(k).*field);
        return out;
    }
    static std::string Flags() {
        std::string out;
        for (int k = 1; k <= 10; ++k)
            out += std::string(k > 1 ? "|" : "") + (Item(k).m_Visible ? "v" : "") + (Item(k).m_Enable ? "e" : "") +
                   (Item(k).m_UseGosub ? "g" : "");
        return out;
    }
};

TEST_F(ChoiceBuiltins, TheMenuInTheGameState) {
    ASSERT_EQ(Data().m_SelectMenuItemList.size(), 11u);
    struct Row {
        const char16_t* lines;
        const char* report;  // the builtin and its message; empty: none
        bool goesOn;
        std::function<void()> prep, check;
    };
    const auto fresh = [] {
        Data().ClearSelect();
        Data().m_IsSelecting = false;
    };
    const std::string all = "ve|ve|ve|ve|ve|ve|ve|ve|ve|ve";
    const std::vector<Row> rows = {
        {u"SEL.GO(\"sea\", , \"river\")", "", true, fresh,
         [&] {
             EXPECT_EQ(Texts(&GxSelectMenuItem::m_Label), "sea||river|||||||");
             EXPECT_EQ(Flags(), all);
         }},
        // Every label is set; a missing one is reported and stops the script
        // after all of them.
        {u"SEL.GOSUB(\"sea\", \"nowhere\", \"river\", \"@local\")", "sel.gosub:選択肢[2]のラベル[nowhere]は存在しません", false,
         fresh,
         [&] {
             EXPECT_EQ(Texts(&GxSelectMenuItem::m_Label), "sea|nowhere|river|@local||||||");
             EXPECT_EQ(Flags(), "veg|veg|veg|veg|ve|ve|ve|ve|ve|ve");
         }},
        {u"SEL.VISIBLE(1, , 0)", "", true, [&] { fresh(), Item(2).m_Visible = false; },
         [&] { EXPECT_EQ(Flags(), "ve|e|e|ve|ve|ve|ve|ve|ve|ve"); }},
        {u"SEL.ENABLE(0, \"1\", \"\", 0.0)", "", true, fresh, [&] { EXPECT_EQ(Flags(), "v|ve|ve|v|ve|ve|ve|ve|ve|ve"); }},
        {u"SEL.CANCEL(3)", "", true, fresh, [] { EXPECT_EQ(Data().m_CancelSelectNum, 3); }},
        {u"SEL.CANCEL()", "", true, [&] { fresh(), Data().m_CancelSelectNum = 7; },
         [] { EXPECT_EQ(Data().m_CancelSelectNum, 0); }},
        {u"SEL.CANCEL(4294967299)", "", true, fresh, [] { EXPECT_EQ(Data().m_CancelSelectNum, 3); }},
        {u"SEL.HASH(\"menu\")", "", true, fresh, [] { EXPECT_EQ(Data().m_SelectHash, u"menu"); }},
        {u"SEL.HASH()", "", true, [&] { fresh(), Data().m_SelectHash = u"old"; },
         [] { EXPECT_TRUE(Data().m_SelectHash.empty()); }},
        // Items without a text are left out whatever was set before; the
        // menu is keyed by its place and shown.
        {u"SEL.VISIBLE(1, 1, 1)\nSEL.GOSUB(\"sea\", \"sea\", \"sea\", \"sea\")\nSEL(\"海へ\", \"\", \"川へ\")", "", true, fresh,
         [&] {
             EXPECT_EQ(Texts(&GxSelectMenuItem::m_Text), "海へ||川へ|||||||");
             EXPECT_EQ(Flags(), "veg||veg|||||||");
             EXPECT_TRUE(Data().m_IsSelecting);
             EXPECT_TRUE(Main()->GetChoiceButton(3)->IsVisible());
             EXPECT_FALSE(Main()->GetChoiceButton(2)->IsVisible());
         }},
        {u"SEL.HASH(\"k\")\nSEL(\"a\")", "", true, fresh, [] { EXPECT_EQ(Data().m_SelectHash, u"k"); }},
        {u"SEL(\"a\")", "", true, [&] { fresh(), Data().m_HideWindowByCommandFlag = true; },
         [] { EXPECT_FALSE(Data().m_HideWindowByCommandFlag); }},
        {u"SEL()", "", true, fresh,
         [] {
             EXPECT_FALSE(Data().m_IsSelecting) << "nothing to show: the script goes on";
             EXPECT_EQ(Flags(), "|||||||||");
         }},
        // More choices than the window holds: the extra ones are refused.
        {u"SEL(\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", \"9\", \"10\", \"11\", \"12\")",
         "sel:選択肢は10個までです。超えた2個は無視します", true, fresh,
         [] { EXPECT_EQ(Texts(&GxSelectMenuItem::m_Text), "1|2|3|4|5|6|7|8|9|10"); }},
        {u"SEL.GO(, , , , , , , , , \"sea\", \"sea\")", "sel.go:選択肢は10個までです。超えた1個は無視します", true, fresh,
         [] { EXPECT_EQ(Item(10).m_Label, u"sea"); }},
        {u"SEL.VISIBLE(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, , \"\")", "sel.visible:選択肢は10個までです。超えた1個は無視します",
         true, fresh, [] { EXPECT_EQ(Flags(), "e|e|e|e|e|e|e|e|e|e"); }},
        {u"SEL.ENABLE(1, , , , , , , , , , \"\")", "", true, fresh, [&] { EXPECT_EQ(Flags(), all); }},
    };
    std::vector<std::u16string> lines;
    for (const Row& r : rows) lines.push_back(r.lines);
    lines.push_back(u"*sea\n*river\n*@local");
    PlayRows(lines);
    std::vector<GxString> hashes;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.lines));
        r.prep();
        RunRow(i);
        const std::string want =
            *r.report ? "err:[Script=\"main\"/line=" + std::to_string(RowLine(i)) + "] " + r.report + "\n" : "";
        EXPECT_EQ(Reports(), want);
        EXPECT_EQ(marks_, r.goesOn ? 1 : 0);
        r.check();
        hashes.push_back(Data().m_SelectHash);
    }
    // Menus without a key of their own are keyed by script and line.
    EXPECT_EQ(hashes.at(9), u"main:" + GxFromUtf8(std::to_string(RowLine(9) + 2)));
    EXPECT_EQ(hashes.at(11), u"main:" + GxFromUtf8(std::to_string(RowLine(11))));
}

// Three choices leading to three labels: each taken by a click on its
// button. Keys that advance text take no choice while the menu is shown.
TEST_F(ChoiceBuiltins, AChoiceOfThreeLeadsToItsLabel) {
    constexpr const char16_t* kMenu =
        u"*start\n"
        u"SEL.GO(\"sea\", \"mountain\", \"river\")\n"
        u"SEL(\"海へ\", \"山へ\", \"川へ\")\n"
        u"> ここには来ない。\n"
        u"*sea\n> 海に着いた。\nEXIT()\n"
        u"*mountain\n> 山に着いた。\nEXIT()\n"
        u"*river\n> 川に着いた。\nEXIT()\n";
    const char* arrivals[] = {"海に着いた。", "山に着いた。", "川に着いた。"};
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        Restart();
        Play(kMenu);
        ASSERT_TRUE(Data().m_IsSelecting) << log_.Text();
        Frames(30);
        for (u32 key : {0x0Du, 0x28u, 0x27u}) {
            Key(key);
            Frames(5);
        }
        Tasks().OnLButtonDown(GxVector2(40.0f, 40.0f), 0, false);
        Frames(5);
        EXPECT_TRUE(Data().m_IsSelecting) << "neither a key nor a click beside the buttons takes a choice";
        EXPECT_EQ(Data().m_LastSelectNum, 0);

        GxTaskUIBase* button = Main()->GetChoiceButton(k);
        GxVector4 at;
        button->GetWorldPos(&at);
        Tasks().OnLButtonDown(GxVector2(at.x + f32(button->GetWidth()) / 2, at.y + f32(button->GetHeight()) / 2), 0,
                              false);
        ASSERT_TRUE(UntilClickWait()) << log_.Text();
        EXPECT_EQ(Shown(), arrivals[k - 1]);
        EXPECT_EQ(Data().m_LastSelectNum, k);
        EXPECT_TRUE(GxUserDataPerman::Get()->IsSelectedMenu(u"main:3", k));
        EXPECT_FALSE(log_.Contains("err:")) << log_.Text();
    }
}

} // namespace
