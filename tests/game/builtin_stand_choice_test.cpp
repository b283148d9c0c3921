// The standing-picture builtins over the main scene's stand layers: pictures
// from STAND blocks and single files placed, changed and faded, sub-layers,
// moves and waits, the reports of every fault, and the stage drawn as
// characters come, change and go. The choice builtins: the menu they build in
// the game state, the labels they check, the choices the window cannot hold,
// and a menu of three shown by the main scene and taken by the player.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/graphics_fixture.h"
#include "tasks/GxTaskFolder.h"

#include <tuple>

namespace {

// The main scene's test game with the game's builtins declared to the script
// compiler, the characters' standing pictures under "cg/stand/", and one
// label per row ("*r0", ...) run by the main worker directly, so that a
// family's rows share one started game.
class GameBuiltinSceneTest : public maintest::MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        // One character's layout project is missing.
        qtest::WriteText("data/db_avgchar.txt", "\xEF\xBB\xBF" "1\tアキ\t1\tcg/stand/aki_\t\tvoices/\t1\t\n"
                                                "2\tユウ\t1\tcg/stand/yu_\tyu\tvoices/\t2\t\n");
        WritePicture("cg/stand/aki_body.png", 240, 560, [](int x, int y) { return Figure(x, y, 240, 560, 0xFFE0A040u); });
        // A face drawn over the body: two eyes and a mouth.
        WritePicture("cg/stand/aki_smile.png", 240, 560, [](int x, int y) {
            const bool eye = y >= 80 && y < 90 && ((x >= 95 && x < 105) || (x >= 135 && x < 145));
            return eye || (y >= 110 && y < 116 && x >= 105 && x < 135) ? 0xFF302010u : 0u;
        });
        WritePicture("cg/stand/aki_body_w.png", 120, 40, [](int, int) { return 0xFFFFFFFFu; });
        WritePicture("cg/stand/yu_body.png", 200, 600, [](int x, int y) { return Figure(x, y, 200, 600, 0xFF60B0E0u); });
        WritePicture("cg/stand/yu_angry.png", 200, 600, [](int x, int y) { return Figure(x, y, 200, 600, 0xFFE04040u); });
        Restart();
    }

    // Row i's lines under "*ri", then EXIT(); the scene started on "*start",
    // which does nothing.
    void PlayRows(const std::vector<std::u16string>& rows) {
        Play(gametest::RowScript(u"*start\nEXIT()\n", rows, &rowLines_).c_str());
    }
    // Runs row i until the worker stops. Its reports, without the
    // interpreter's stop line, and whether it stopped the script.
    std::string RunRow(size_t i, bool* stopped) {
        log_.Clear();
        g_pMoa()->ResetErrorState();
        EXPECT_TRUE(g_pMoaMainWorker()->StartAtLabel(u"r" + GxFromUtf8(std::to_string(i)), nullptr));
        for (int n = 0; g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()) && n < 1000; ++n) {}
        std::string out;
        *stopped = false;
        for (const std::string& line : log_.Lines())
            (line.find("関数実行時にエラー") == std::string::npos ? out += line : (*stopped = true, out));
        return out;
    }
    // The report line of row i's line `offset` (from 0).
    std::string ReportAt(size_t i, int offset, const std::string& text) const {
        return "err:[Script=\"main\"/line=" + std::to_string(rowLines_.at(i) + offset) + "] " + text + "\n";
    }

    static GxUserData& Data() { return *GxUserData::Get(); }

    std::vector<int> rowLines_;
};

class StandBuiltins : public GameBuiltinSceneTest {
protected:
    // "pictures x,y,z companion fade", the fade its total time while one runs.
    static std::string State(const GxChar* name) {
        GxTaskLayer* l = Stand(name);
        GxLayerContent* c = l->GetCurrentContent();
        std::string files;
        for (const GxString& f : c->m_MultiContentFileName) files += (files.empty() ? "" : "+") + GxToUtf8(GxGetFileName(f));
        GxVector4 p;
        l->GetPos(&p);
        const GxSubLayerContent* sub = c->GetSubLayerContent(0);
        return files + " " + GxToUtf8(GxFormat(u"%g,%g,%g ", p.x, p.y, l->GetOrderZ())) +
               GxToUtf8(GxGetFileName(sub->m_ContentFileName)) + (sub->m_Visible ? "!" : "") + " " +
               std::to_string(l->IsTransiting() ? l->GetTransit().m_TransitTimeTotal : 0);
    }
};

TEST_F(StandBuiltins, PlaceChangeFadeAndReport) {
    struct Row {
        const char16_t* call;
        const GxChar* who;  // the layer whose State follows
        const char* state;
        int reportLine = 0;
        const char* report = nullptr;  // null: none
    };
    const Row rows[] = {
        // The pictures blended in order, centred on the bottom edge, the
        // first one's companion loaded hidden; the block is not run.
        {u"STAND(\"アキ\", \"M\")\nbody\nsmile\nendstand", u"アキ", "aki_body.png+aki_smile.png 392,208,5000 aki_body_w.png 800"},
        {u"STAND(\"ユウ\", \"R\", \"T\", 6000, 0)\n\"body\"\nendstand", u"ユウ", "yu_body.png 824,0,6000  0"},
        {u"SP.LCG(\"ユウ\", \"angry\", , \"B\")", u"ユウ", "yu_angry.png 824,168,6000  800"},
        // No picture: faded out, placed by the old picture's size.
        {u"SP.LCG(\"ユウ\", , 10, , 7000, 300)", u"ユウ", " 10,168,7000  300"},
        {u"STAND(\"アキ\")\nendstand", u"アキ", " 392,208,5000  800"},
        // A token that cannot stand in the block ends it with a report.
        {u"STAND(\"アキ\")\nbody\nEXIT()", u"アキ", " 392,208,5000  0", 2,
         "stand:ENDSTANDに到達する前に処理できないトークンがあります[組み込み関数名 String:exit]"},
        {u"STAND(\"アキ\")\nbody\n12\nendstand", u"アキ", " 392,208,5000  0", 2,
         "stand:ENDSTANDに到達する前に処理できないトークンがあります[整数値[12]]"},
        // Reported on the line after the block, which was read past.
        {u"STAND(\"アキ\")\nnothing\nendstand", u"アキ", " 392,208,5000  0", 3, "stand:画像ファイルが見つかりません[cg/stand/aki_nothing]"},
        {u"STAND(\"\")", u"アキ", " 392,208,5000  0", 0, "stand:レイヤー名がありません"},
        {u"SP.ALPHA(12, 3)", u"アキ", " 392,208,5000  0", 0, "sp.alpha:レイヤーが見つかりません。キャラ名[12]は未定義です"},
        {u"SP.ACT_MOVE(\"誰か\", 0, 0)", u"アキ", " 392,208,5000  0", 0,
         "sp.act_move:レイヤーが見つかりません。命令が間違っているかキャラ名[誰か]は未定義です"},
        {u"SP.LNC(\"ユウ\", , \"idle\")", u"ユウ", " 10,168,7000  0", 0, "sp.lnc:NCProjファイルが見つかりません[gnc/yu]"},
        // A layer has sub-layer 0 only: another index is reported and skipped.
        {u"SP.LCG(\"アキ\", \"body\", 0, 0, , 0)\nSP.SUB(\"アキ\", 1, \"smile\")", u"アキ", "aki_body.png 0,0,5000 aki_body_w.png 0", 1,
         "sp.sub:サブレイヤーの番号が範囲外です[1]"},
        {u"SP.SUB(\"アキ\", 4294967296, \"smile\")", u"アキ", "aki_body.png 0,0,5000 aki_body_w.png 0", 0,
         "sp.sub:サブレイヤーの番号が範囲外です[4294967296]"},
        {u"SP.SUB(\"アキ\", 0, \"smile\")", u"アキ", "aki_body.png 0,0,5000 aki_smile.png 0"},
        {u"SP.SUB(\"アキ\", 0, \"none\")", u"アキ", "aki_body.png 0,0,5000 aki_smile.png 0", 0,
         "sp.sub:画像ファイルが見つかりません[cg/stand/aki_none]"},
        {u"SP.SUB(\"アキ\")", u"アキ", "aki_body.png 0,0,5000  0"},
        {u"SP.ACT_MOVE(\"アキ\", 300, 20, 500)\nSP.ACT_FINISH(\"アキ\")", u"アキ", "aki_body.png 300,20,5000  0"},
        {u"SP.ACT_MOVE(\"アキ\", \"R\")\nSP.ACT_FINISH(\"アキ\")", u"アキ", "aki_body.png 784,208,5000  0"},
        {u"SP.LNC(\"アキ\", , , 10.5, 20)", u"アキ", " 10.5,20,5000  800"},
        {u"SP.CLEARALL(300)", u"ユウ", " 10,168,7000  300"},
    };
    PlayRows(gametest::Calls(rows));
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        for (GxTaskLayer* l : {Stand(u"アキ"), Stand(u"ユウ")}) l->FinishTransit();
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), r.report ? ReportAt(i, r.reportLine, r.report) : "");
        // Every fault stops the script but a sub-layer index.
        EXPECT_EQ(stopped, r.report && !std::string(r.report).starts_with("sp.sub:サブ"));
        EXPECT_EQ(State(r.who), r.state);
    });
}

TEST_F(StandBuiltins, LooksMovesAndWaits) {
    struct Row {
        const char16_t* call;
        std::vector<f32> colour;
        s32 alpha, blend;
        bool shaking;
        s32 hold;  // the separate-layer wait, on "アキ"; an idle layer sets none
        bool hideWindow;
    };
    const Row rows[] = {
        {u"SP.COLOR(\"アキ\", 0xFF0000)\nSP.ALPHA(\"アキ\", 128)\nSP.BLEND(\"アキ\", 1)\nSP.SHAKE(\"アキ\", 500, 4, 6)\nSP.WA(\"アキ\", 1)",
         {1, 0, 0, 1}, 128, 1, true, 0, false},
        {u"SP.COLOR(\"アキ\")\nSP.ALPHA(\"アキ\")\nSP.BLEND(\"アキ\")\nSP.SHAKE_END(\"アキ\")\nSP.ACT_MOVE(\"アキ\", \"L\", 100, 500, 2)\n"
         u"SP.WA(\"アキ\", 1, 4)",
         {1, 1, 1, 1}, 255, 2, false, 5, true},
    };
    PlayRows(gametest::Calls(rows));
    GxTaskLayer* aki = Stand(u"アキ");
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), "");
        f32 c[4];
        aki->GetColor(c);
        EXPECT_EQ(std::vector<f32>(c, c + 4), r.colour);
        EXPECT_EQ(std::make_tuple(aki->GetAlpha(), aki->GetBlendMode(), aki->IsShaking(), Data().m_Hold_EndOfLayerActionSeparate,
                                  Data().m_HideWindowByCommandFlag),
                  std::make_tuple(r.alpha, r.blend, r.shaking, r.hold, r.hideWindow));
    });
    EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate_LayerName, u"アキ");
}

// A block ended by the script's end takes the names read so far.
TEST_F(StandBuiltins, ABlockAtTheScriptsEnd) {
    Play(u"*start\nSTAND(\"アキ\", 0)\nbody\nsmile\n");
    EXPECT_EQ(State(u"アキ"), "aki_body.png+aki_smile.png 0,208,5000 aki_body_w.png 800");
    EXPECT_FALSE(log_.Contains("err:")) << log_.Text();
}

// Two characters come on, one changes her expression, the other leaves.
TEST_F(StandBuiltins, CharactersComeChangeAndGo) {
    Play(u"*start\nSTAND(\"アキ\", \"L\")\nbody\nsmile\nendstand\nSTAND(\"ユウ\", \"R\")\nbody\nendstand\nWA.CLICK()\n"
         u"SP.LCG(\"ユウ\", \"angry\")\nWA.CLICK()\nSTAND(\"アキ\", , , , 400)\nendstand\nWA.CLICK()\n");
    Layer(u"$BGLAYER:SeqAvgMain")->SetFlexImageContent(u"cg/bg/room.png", 0);
    for (const char* name : {"stand_placed", "stand_changed", "stand_removed"}) {
        Frames(60);
        ASSERT_EQ(Data().m_Hold_WaitClick, 15) << name << log_.Text();
        EXPECT_TRUE(gxtest::MatchesGolden(name, Draw(), 1024, 768, "game"));
        Click();
    }
}

class ChoiceBuiltins : public GameBuiltinSceneTest {
protected:
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
        const char16_t* call;
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
    std::vector<std::u16string> calls = gametest::Calls(rows);
    calls.push_back(u"*sea\n*river\n*@local");
    PlayRows(calls);
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        Data().ClearSelect();
        Data().m_HideWindowByCommandFlag = true;
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), *r.report ? ReportAt(i, 0, r.report) : "");
        EXPECT_EQ(stopped, r.stops);
        std::string want = r.menu;
        if (want.ends_with("main:")) {
            want += std::to_string(rowLines_[i] + int(std::count(r.call, r.call + GxString(r.call).size(), u'\n')));
            EXPECT_FALSE(Data().m_HideWindowByCommandFlag);
        }
        EXPECT_EQ(Menu(), want);
    });
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
