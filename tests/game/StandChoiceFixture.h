#pragma once
// The main scene's test game with the game's builtins declared to the script
// compiler, the characters' standing pictures under "cg/stand/", and one
// label per row ("*r0", ...) run by the main worker directly, so that a
// family's rows share one started game.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "tasks/GxTaskFolder.h"

namespace maintest {

class GameBuiltinSceneTest : public MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        gametest::DeclareGameBuiltins(builder_);
        builder_.DeclareBuiltin(u"endstand");
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
        std::u16string script = u"*start\nEXIT()\n";
        rowLines_.clear();
        for (size_t i = 0; i < rows.size(); ++i) {
            rowLines_.push_back(int(std::count(script.begin(), script.end(), u'\n')) + 2);
            script += u"*r" + GxFromUtf8(std::to_string(i)) + u"\n" + rows[i] + u"\nEXIT()\n";
        }
        Play(script.c_str());
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

    static GxTaskLayer* Stand(const GxChar* name) {
        return static_cast<GxTaskLayer*>(static_cast<GxTaskFolder*>(Task(u"$STAND:SeqAvgMain"))->FindTaskLocal(name, 0));
    }

    std::vector<int> rowLines_;
};

} // namespace maintest
