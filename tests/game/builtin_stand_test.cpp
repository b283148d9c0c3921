// The standing-picture builtins run by the main script worker over the main
// scene's stand layers: pictures placed from STAND blocks and single files,
// the layers tinted, moved, shaken and faded, sub-layer pictures, the waits,
// the reports of every fault, and the stage drawn as characters come, change
// and go.
#include "StandChoiceFixture.h"

#include "graphics/graphics_fixture.h"

#include <functional>

namespace {

using maintest::GameBuiltinSceneTest;

class StandBuiltins : public GameBuiltinSceneTest {};

std::vector<GxString> Files(GxTaskLayer* layer) { return layer->GetCurrentContent()->m_MultiContentFileName; }
GxSubLayerContent* Sub(GxTaskLayer* layer) { return layer->GetCurrentContent()->GetSubLayerContent(0); }
std::vector<f32> Colour(GxTaskLayer* layer) {
    f32 c[4];
    layer->GetColor(c);
    return {c[0], c[1], c[2], c[3]};
}

TEST_F(StandBuiltins, PlaceChangeFadeAndReport) {
    GxTaskLayer* aki = Stand(u"アキ");
    GxTaskLayer* yu = Stand(u"ユウ");
    ASSERT_TRUE(aki && yu);
    struct Row {
        const char16_t* lines;
        int reportLine;      // the row's line the report names; -1: no report
        const char* report;  // builtin name as compiled, a colon, the message
        bool goesOn;
        std::function<void()> prep, check;
    };
    const auto settle = [] {
        for (GxTaskLayer* l : {Stand(u"アキ"), Stand(u"ユウ")}) {
            l->FinishTransit();
            l->ClearActions();
        }
        GxUserData::Get()->m_Hold_EndOfLayerActionSeparate = 0;
        GxUserData::Get()->m_HideWindowByCommandFlag = false;
    };
    const std::vector<Row> rows = {
        // The block's pictures blended in order, the companion of the first
        // loaded hidden, centred and on the bottom edge; the block not run.
        {u"STAND(\"アキ\", \"M\")\nbody\nsmile\nendstand", -1, "", true, settle,
         [&] {
             EXPECT_EQ(Files(aki), (std::vector<GxString>{u"cg/stand/aki_body.png", u"cg/stand/aki_smile.png"}));
             EXPECT_EQ(Pos(aki).x, 392.0f);
             EXPECT_EQ(Pos(aki).y, 208.0f);
             EXPECT_EQ(Sub(aki)->m_ContentFileName, u"cg/stand/aki_body_w.png");
             EXPECT_FALSE(Sub(aki)->m_Visible);
             EXPECT_EQ(aki->GetTransit().m_TransitTimeTotal, 800);
         }},
        {u"STAND(\"ユウ\", \"R\", \"T\", 6000, 0)\n\"body\"\nendstand", -1, "", true, settle,
         [&] {
             EXPECT_EQ(Files(yu), std::vector<GxString>{u"cg/stand/yu_body.png"});
             EXPECT_EQ(Pos(yu).x, 824.0f);
             EXPECT_EQ(Pos(yu).y, 0.0f);
             EXPECT_EQ(yu->GetOrderZ(), 6000.0f);
             EXPECT_FALSE(yu->IsTransiting()) << "time 0 shows it at once";
             EXPECT_TRUE(Sub(yu)->m_ContentFileName.empty()) << "no companion picture";
         }},
        // A missing x keeps the current one; "B" puts it on the bottom edge.
        {u"SP.LCG(\"ユウ\", \"angry\", , \"B\")", -1, "", true, settle,
         [&] {
             EXPECT_EQ(Files(yu), std::vector<GxString>{u"cg/stand/yu_angry.png"});
             EXPECT_EQ(Pos(yu).x, 824.0f);
             EXPECT_EQ(Pos(yu).y, 168.0f);
             EXPECT_EQ(yu->GetOrderZ(), 6000.0f);
         }},
        // Without a picture: faded out, still placed by the old picture's size.
        {u"SP.LCG(\"ユウ\", , 10, , 7000, 300)", -1, "", true, settle,
         [&] {
             EXPECT_TRUE(yu->IsTransiting());
             EXPECT_EQ(yu->GetTransit().m_TransitTimeTotal, 300);
             EXPECT_EQ(yu->GetCurrentContent()->m_ContentType, kGxContentEmpty);
             EXPECT_EQ(Pos(yu).x, 10.0f);
             EXPECT_EQ(Pos(yu).y, 168.0f);
             EXPECT_EQ(yu->GetOrderZ(), 7000.0f);
         }},
        {u"STAND(\"アキ\")\nendstand", -1, "", true, settle,
         [&] {
             EXPECT_TRUE(aki->IsTransiting());
             EXPECT_EQ(aki->GetCurrentContent()->m_ContentType, kGxContentEmpty);
         }},
        // A builtin name inside the block ends it with a report, where it stands.
        {u"STAND(\"アキ\")\nbody\nEXIT()", 2, "stand:ENDSTANDに到達する前に処理できないトークンがあります[組み込み関数名 String:exit]",
         false, settle, nullptr},
        {u"STAND(\"アキ\")\nbody\n12\nendstand", 2, "stand:ENDSTANDに到達する前に処理できないトークンがあります[整数値[12]]", false,
         settle, nullptr},
        // A missing picture is reported after the block was read past.
        {u"STAND(\"アキ\")\nnothing\nendstand", 3, "stand:画像ファイルが見つかりません[cg/stand/aki_nothing]", false, settle,
         nullptr},
        {u"STAND(\"\")\nendstand", 0, "stand:レイヤー名がありません", false, settle, nullptr},
        {u"STAND(\"誰か\")\nendstand", 0, "stand:レイヤーが見つかりません。キャラ名[誰か]は未定義です", false, settle, nullptr},
        {u"SP.ALPHA(12, 3)", 0, "sp.alpha:レイヤーが見つかりません。キャラ名[12]は未定義です", false, settle, nullptr},
        {u"SP.ACT_MOVE(\"誰か\", 0, 0)", 0,
         "sp.act_move:レイヤーが見つかりません。命令が間違っているかキャラ名[誰か]は未定義です", false, settle, nullptr},
        {u"SP.COLOR(\"アキ\", 0xFF0000)", -1, "", true, settle,
         [&] { EXPECT_EQ(Colour(aki), (std::vector<f32>{1, 0, 0, 1})); }},
        {u"SP.COLOR(\"アキ\")", -1, "", true, settle, [&] { EXPECT_EQ(Colour(aki), (std::vector<f32>{1, 1, 1, 1})); }},
        {u"SP.ALPHA(\"アキ\", 128)", -1, "", true, settle, [&] { EXPECT_EQ(aki->GetAlpha(), 128); }},
        {u"SP.ALPHA(\"アキ\")", -1, "", true, settle, [&] { EXPECT_EQ(aki->GetAlpha(), 255); }},
        {u"SP.BLEND(\"アキ\", 1)", -1, "", true, settle, [&] { EXPECT_EQ(aki->GetBlendMode(), 1); }},
        {u"SP.BLEND(\"アキ\")", -1, "", true, settle, [&] { EXPECT_EQ(aki->GetBlendMode(), 2); }},
        // Sub-layers: a layer has only sub-layer 0; another index is reported
        // and the command skipped, a value that only wraps into range too.
        {u"SP.LCG(\"アキ\", \"body\", 0, 0, , 0)\nSP.SUB(\"アキ\", 1, \"smile\")", 1,
         "sp.sub:サブレイヤーの番号が範囲外です[1]", true, settle,
         [&] { EXPECT_EQ(Sub(aki)->m_ContentFileName, u"cg/stand/aki_body_w.png"); }},
        {u"SP.SUB(\"アキ\", 4294967296, \"smile\")", 0, "sp.sub:サブレイヤーの番号が範囲外です[4294967296]", true, settle,
         [&] { EXPECT_EQ(Sub(aki)->m_ContentFileName, u"cg/stand/aki_body_w.png"); }},
        {u"SP.SUB(\"アキ\", 0, \"smile\")", -1, "", true, settle,
         [&] { EXPECT_EQ(Sub(aki)->m_ContentFileName, u"cg/stand/aki_smile.png"); }},
        {u"SP.SUB(\"アキ\", 0, \"none\")", 0, "sp.sub:画像ファイルが見つかりません[cg/stand/aki_none]", false, settle,
         nullptr},
        {u"SP.SUB(\"アキ\")", -1, "", true, settle, [&] { EXPECT_TRUE(Sub(aki)->m_ContentFileName.empty()); }},
        // Waits: an idle layer sets no hold; a moving one holds by its name.
        {u"SP.WA(\"アキ\", 1)", -1, "", true, settle,
         [&] {
             EXPECT_EQ(GxUserData::Get()->m_Hold_EndOfLayerActionSeparate, 0);
             EXPECT_FALSE(GxUserData::Get()->m_HideWindowByCommandFlag);
         }},
        {u"SP.ACT_MOVE(\"アキ\", \"L\", 100, 500, 2)\nSP.WA(\"アキ\", 1, 4)", -1, "", true, settle,
         [&] {
             EXPECT_EQ(GxUserData::Get()->m_Hold_EndOfLayerActionSeparate, 5);
             EXPECT_EQ(GxUserData::Get()->m_Hold_EndOfLayerActionSeparate_LayerName, u"アキ");
             EXPECT_TRUE(GxUserData::Get()->m_HideWindowByCommandFlag);
             EXPECT_EQ(aki->GetActionList(0).size(), 1u);
         }},
        {u"SP.ACT_MOVE(\"アキ\", 300, 20, 500)\nSP.ACT_FINISH(\"アキ\")", -1, "", true, settle,
         [&] {
             EXPECT_EQ(Pos(aki).x, 300.0f);
             EXPECT_EQ(Pos(aki).y, 20.0f);
             EXPECT_TRUE(aki->IsActionFinished());
         }},
        {u"SP.ACT_MOVE(\"アキ\", \"R\")\nSP.ACT_FINISH(\"アキ\")", -1, "", true, settle,
         [&] {
             EXPECT_EQ(Pos(aki).x, 784.0f);
             EXPECT_EQ(Pos(aki).y, 208.0f) << "a missing y is the bottom edge";
         }},
        {u"SP.SHAKE(\"アキ\", 500, 4, 6)", -1, "", true, settle, [&] { EXPECT_TRUE(aki->IsShaking()); }},
        {u"SP.SHAKE_END(\"アキ\")", -1, "", true, settle, [&] { EXPECT_FALSE(aki->IsShaking()); }},
        {u"SP.LNC(\"ユウ\", , \"idle\")", 0, "sp.lnc:NCProjファイルが見つかりません[gnc/yu]", false, settle, nullptr},
        {u"SP.LNC(\"アキ\", , , 10.5, 20)", -1, "", true, settle,
         [&] {
             EXPECT_TRUE(aki->IsTransiting()) << "no motion fades the layer out";
             EXPECT_EQ(Pos(aki).x, 10.5f);
             EXPECT_EQ(Pos(aki).y, 20.0f);
         }},
        {u"SP.LCG(\"ユウ\", \"body\", , , , 0)\nSP.CLEARALL(300)", -1, "", true, settle,
         [&] {
             for (GxTaskLayer* l : {aki, yu}) EXPECT_EQ(l->GetTransit().m_TransitTimeTotal, 300);
             EXPECT_TRUE(yu->IsTransiting());
         }},
    };
    std::vector<std::u16string> lines;
    for (const Row& r : rows) lines.push_back(r.lines);
    PlayRows(lines);
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.lines));
        if (r.prep) r.prep();
        RunRow(i);
        const std::string want = r.reportLine < 0 ? ""
                                                  : "err:[Script=\"main\"/line=" + std::to_string(RowLine(i) + r.reportLine) +
                                                        "] " + r.report + "\n";
        EXPECT_EQ(Reports(), want);
        EXPECT_EQ(marks_, r.goesOn ? 1 : 0);
        if (r.check) r.check();
    }
}

// The block ends with the script: the names read so far are the picture.
TEST_F(StandBuiltins, ABlockAtTheScriptsEndTakesTheNamesReadSoFar) {
    Play(u"*start\nSTAND(\"アキ\", 0)\nbody\nsmile\n");
    EXPECT_EQ(Files(Stand(u"アキ")), (std::vector<GxString>{u"cg/stand/aki_body.png", u"cg/stand/aki_smile.png"}));
    EXPECT_EQ(Pos(Stand(u"アキ")).x, 0.0f);
    EXPECT_FALSE(g_pMoaMainWorker->IsRunning());
    EXPECT_FALSE(log_.Contains("err:")) << log_.Text();
}

// The stage as a player sees it: two characters come on, one changes her
// expression, and the other leaves, each after its fade.
TEST_F(StandBuiltins, CharactersComeChangeAndGo) {
    Play(u"*start\n"
         u"backdrop(\"cg/bg/room.png\")\n"
         u"STAND(\"アキ\", \"L\")\nbody\nsmile\nendstand\n"
         u"STAND(\"ユウ\", \"R\")\nbody\nendstand\n"
         u"WA.CLICK()\n"
         u"SP.LCG(\"ユウ\", \"angry\")\n"
         u"WA.CLICK()\n"
         u"STAND(\"アキ\", , , , 400)\nendstand\n"
         u"WA.CLICK()\n");
    const char* frames[] = {"stand_placed", "stand_changed", "stand_removed"};
    for (const char* name : frames) {
        SCOPED_TRACE(name);
        Frames(60);
        ASSERT_EQ(GxUserData::Get()->m_Hold_WaitClick, 15) << log_.Text();
        EXPECT_FALSE(Stand(u"アキ")->IsTransiting() || Stand(u"ユウ")->IsTransiting());
        EXPECT_TRUE(gxtest::MatchesGolden(name, Draw(), 1024, 768, "game"));
        Click();
    }
    EXPECT_FALSE(log_.Contains("err:")) << log_.Text();
}

} // namespace
