#pragma once
// The main scene's test game with the game's own builtins declared to the
// script compiler, the characters' standing pictures under "cg/stand/", a
// test builtin "mark" that counts how far a script ran, "backdrop" for the
// background picture, and one label per
// row run by the main worker directly, so that a family's rows share one
// started game.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "tasks/GxTaskFolder.h"

namespace maintest {

class GameBuiltinSceneTest : public MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        for (const gametest::GameBuiltinRow& row : gametest::GameBuiltinTable()) builder_.DeclareBuiltin(row.name);
        builder_.DeclareBuiltin(u"endstand");
        builder_.DeclareBuiltin(u"mark");
        builder_.DeclareBuiltin(u"backdrop");
        builtins_.push_back({u"mark", [this](GxMoaVariable*, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                                 ++marks_;
                                 return true;
                             }});
        // The background picture, without the background builtins.
        builtins_.push_back({u"backdrop", [](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                                 return Layer(u"$BGLAYER:SeqAvgMain")->SetFlexImageContent(Arg(args, 0), 0);
                             }});
        // Stand pictures in their own folder, the layout project of one
        // character missing.
        qtest::WriteText("data/db_avgchar.txt", "\xEF\xBB\xBF"
                                                "1\tアキ\t1\tcg/stand/aki_\t\tvoices/\t1\t\n"
                                                "2\tユウ\t1\tcg/stand/yu_\tyu\tvoices/\t2\t\n");
        WritePicture("cg/stand/aki_body.png", 240, 560, [](int x, int y) { return Figure(x, y, 240, 560, 0xFFE0A040u); });
        // The face is drawn over the body: two eyes and a mouth on the head.
        WritePicture("cg/stand/aki_smile.png", 240, 560, [](int x, int y) {
            const bool eye = y >= 80 && y < 90 && ((x >= 95 && x < 105) || (x >= 135 && x < 145));
            const bool mouth = y >= 110 && y < 116 && x >= 105 && x < 135;
            return eye || mouth ? 0xFF302010u : 0x00000000u;
        });
        WritePicture("cg/stand/aki_body_w.png", 120, 40, [](int, int) { return 0xFFFFFFFFu; });
        WritePicture("cg/stand/yu_body.png", 200, 600, [](int x, int y) { return Figure(x, y, 200, 600, 0xFF60B0E0u); });
        WritePicture("cg/stand/yu_angry.png", 200, 600, [](int x, int y) { return Figure(x, y, 200, 600, 0xFFE04040u); });
        Restart();
    }

    // Compiles one label per row ("*r0", ...) after an empty "*start", each
    // row's lines followed by mark() and EXIT(), and starts the scene.
    void PlayRows(const std::vector<std::u16string>& rows) {
        std::u16string script = u"*start\nEXIT()\n";
        rowLines_.clear();
        int line = 3;
        for (size_t i = 0; i < rows.size(); ++i) {
            script += u"*r" + GxFromUtf8(std::to_string(i)) + u"\n" + rows[i] + u"\nmark()\nEXIT()\n";
            rowLines_.push_back(line + 1);
            line += 4 + int(std::count(rows[i].begin(), rows[i].end(), u'\n'));
        }
        Play(script.c_str());
    }
    // Runs a row's label on the main worker until it stops; the reports it
    // logged are in log_ (cleared first).
    void RunRow(size_t i) {
        log_.Clear();
        marks_ = 0;
        g_pMoa->ResetErrorState();
        ASSERT_TRUE(g_pMoaMainWorker->StartAtLabel(u"r" + GxFromUtf8(std::to_string(i)), nullptr));
        for (int n = 0; g_pMoaMainWorker->Step(g_pMoaFunctionBinder); ++n) ASSERT_LT(n, 1000) << "the row did not stop";
    }
    // The 1-based line of a row's first line in "main".
    int RowLine(size_t i) const { return rowLines_.at(i); }
    // The error lines a row logged, without the interpreter's stop line.
    std::string Reports() const {
        std::string out;
        for (const std::string& line : log_.Lines())
            if (line.find("関数実行時にエラー") == std::string::npos) out += line;
        return out;
    }

    static GxTaskLayer* Stand(const GxChar* name) {
        auto* folder = static_cast<GxTaskFolder*>(Task(u"$STAND:SeqAvgMain"));
        return static_cast<GxTaskLayer*>(folder->FindTaskLocal(name, 0));
    }
    static GxVector4 Pos(GxTaskActor* actor) {
        GxVector4 p;
        actor->GetPos(&p);
        return p;
    }

    int marks_ = 0;
    std::vector<int> rowLines_;
};

} // namespace maintest
