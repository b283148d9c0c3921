// The standing-picture builtins over the main scene's stand layers: pictures
// from STAND blocks and single files placed, changed and faded, sub-layers,
// moves and waits, the reports of every fault, and the stage drawn as
// characters come, change and go.
#include "StandChoiceFixture.h"

#include "base/GxStringUtil.h"
#include "graphics/graphics_fixture.h"

#include <tuple>

namespace {

class StandBuiltins : public maintest::GameBuiltinSceneTest {
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
    static GxUserData& Data() { return *GxUserData::Get(); }
};

TEST_F(StandBuiltins, PlaceChangeFadeAndReport) {
    struct Row {
        const char16_t* lines;
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
    std::vector<std::u16string> lines;
    for (const Row& r : rows) lines.push_back(r.lines);
    PlayRows(lines);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(GxToUtf8(r.lines));
        for (GxTaskLayer* l : {Stand(u"アキ"), Stand(u"ユウ")}) l->FinishTransit();
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), r.report ? ReportAt(i, r.reportLine, r.report) : "");
        // Every fault stops the script but a sub-layer index.
        EXPECT_EQ(stopped, r.report && !std::string(r.report).starts_with("sp.sub:サブ"));
        EXPECT_EQ(State(r.who), r.state);
    }
}

TEST_F(StandBuiltins, LooksMovesAndWaits) {
    struct Row {
        const char16_t* lines;
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
    PlayRows({rows[0].lines, rows[1].lines});
    GxTaskLayer* aki = Stand(u"アキ");
    for (size_t i = 0; i < std::size(rows); ++i) {
        bool stopped = false;
        EXPECT_EQ(RunRow(i, &stopped), "");
        f32 c[4];
        aki->GetColor(c);
        EXPECT_EQ(std::vector<f32>(c, c + 4), rows[i].colour);
        EXPECT_EQ(std::make_tuple(aki->GetAlpha(), aki->GetBlendMode(), aki->IsShaking(), Data().m_Hold_EndOfLayerActionSeparate,
                                  Data().m_HideWindowByCommandFlag),
                  std::make_tuple(rows[i].alpha, rows[i].blend, rows[i].shaking, rows[i].hold, rows[i].hideWindow));
    }
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

} // namespace
