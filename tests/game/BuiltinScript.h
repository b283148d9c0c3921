#pragma once
// The game started headless on a bundle compiled from readable script text,
// with every game builtin name declared, plus a test builtin "trace" that
// records its arguments as text; the main script worker run from a label as
// the main scene would step it, and the error lines it logged. A family's
// tests put one call per row (StartRows, RunRow) and compare the reports
// with ErrorLine and StopLine.
#include "GameFixture.h"

#include "base/GxStringUtil.h"
#include "game/AvgBuiltin.h"
#include "script/GxMoaDelegate.h"
#include "script/GxMoa.h"
#include "script/GxMoaDelegateBase.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaWorkerEx.h"
#include "tools/builders/ContentBytes.h"
#include "tools/builders/MoaScriptBuilder.h"

#include <algorithm>
#include <string>
#include <vector>

namespace gametest {

// The game's builtins in their registration order, each with the handler it
// must reach.
struct GameBuiltinRow {
    const GxChar* name;
    GxMoaDelegate<AvgBuiltin>::Method handler;
};
inline const std::vector<GameBuiltinRow>& GameBuiltinTable() {
    static const std::vector<GameBuiltinRow> rows = {
        {u"Print", &AvgBuiltinSystem::Print},
        {u"Debug", &AvgBuiltinSystem::Debug},
        {u"GetSaveDir", &AvgBuiltinSystem::GetSaveDir},
        {u"GetCurSeqName", &AvgBuiltinSystem::GetCurSeqName},
        {u"GetPrevSeqName", &AvgBuiltinSystem::GetPrevSeqName},
        {u"GetCurSeqParam0", &AvgBuiltinSystem::GetCurSeqParam0},
        {u"GetCurSeqParam1", &AvgBuiltinSystem::GetCurSeqParam1},
        {u"GetPrevSeqParam0", &AvgBuiltinSystem::GetPrevSeqParam0},
        {u"GetPrevSeqParam1", &AvgBuiltinSystem::GetPrevSeqParam1},
        {u"GetLastSelect", &AvgBuiltinSystem::GetLastSelect},
        {u"GetDialogResult", &AvgBuiltinSystem::GetDialogResult},
        {u"GetDebugModeFlag", &AvgBuiltinSystem::GetDebugModeFlag},
        {u"GetSystemSignature", &AvgBuiltinSystem::GetSystemSignature},
        {u"SetGameDataTitle", &AvgBuiltinSystem::SetGameDataTitle},
        {u"GetGameDataTitle", &AvgBuiltinSystem::GetGameDataTitle},
        {u"GetReplayMode", &AvgBuiltinSystem::GetReplayMode},
        {u"GetPassedLabel", &AvgBuiltinSystem::GetPassedLabel},
        {u"SetNameIdentifyMode", &AvgBuiltinSystem::SetNameIdentifyMode},
        {u"DLG", &AvgBuiltinMessage::DLG},
        {u"MSG", &AvgBuiltinMessage::MSG},
        {u"MSGN", &AvgBuiltinMessage::MSGN},
        {u"MSG.SHOW", &AvgBuiltinMessage::MSG_SHOW},
        {u"MSG.HIDE", &AvgBuiltinMessage::MSG_HIDE},
        {u"MSG.CLEAR", &AvgBuiltinMessage::MSG_CLEAR},
        {u"TEXT", &AvgBuiltinMessage::TEXT},
        {u"NOTICE.SYS", &AvgBuiltinExtra::NOTICE_SYS},
        {u"NOTICE.USER", &AvgBuiltinExtra::NOTICE_USER},
        {u"SP.COLOR", &AvgBuiltinStand::SP_COLOR},
        {u"SP.ALPHA", &AvgBuiltinStand::SP_ALPHA},
        {u"SP.BLEND", &AvgBuiltinStand::SP_BLEND},
        {u"SP.LCG", &AvgBuiltinStand::SP_LCG},
        {u"SP.LNC", &AvgBuiltinStand::SP_LNC},
        {u"SP.WA", &AvgBuiltinStand::SP_WA},
        {u"SP.SHAKE", &AvgBuiltinStand::SP_SHAKE},
        {u"SP.SHAKE_END", &AvgBuiltinStand::SP_SHAKE_END},
        {u"SP.SUB", &AvgBuiltinStand::SP_SUB},
        {u"SP.CLEARALL", &AvgBuiltinStand::SP_CLEARALL},
        {u"SP.ACT_MOVE", &AvgBuiltinStand::SP_ACT_MOVE},
        {u"SP.ACT_FINISH", &AvgBuiltinStand::SP_ACT_FINISH},
        {u"STAND", &AvgBuiltinStand::STAND},
        {u"BG", &AvgBuiltinPicture::BG},
        {u"BG.SW", &AvgBuiltinPicture::BG_SW},
        {u"BG.COLOR", &AvgBuiltinPicture::BG_COLOR},
        {u"BG.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE},
        {u"BG.WA", &AvgBuiltinPicture::BG_WA},
        {u"EV", &AvgBuiltinPicture::EV},
        {u"EV.SW", &AvgBuiltinPicture::EV_SW},
        {u"EV.COLOR", &AvgBuiltinPicture::BG_COLOR},
        {u"EV.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE},
        {u"EV.WA", &AvgBuiltinPicture::BG_WA},
        {u"FIN", &AvgBuiltinScreen::FIN},
        {u"FOUT", &AvgBuiltinScreen::FOUT},
        {u"FLASH", &AvgBuiltinScreen::FLASH},
        {u"FLASH.WA", &AvgBuiltinScreen::FLASH_WA},
        {u"SHAKE", &AvgBuiltinScreen::SHAKE},
        {u"SHAKE.END", &AvgBuiltinScreen::SHAKE_END},
        {u"MV", &AvgBuiltinMovie::MV},
        {u"MV.WA", &AvgBuiltinMovie::MV_WA},
        {u"MV.AUTOSTOP", &AvgBuiltinMovie::MV_AUTOSTOP},
        {u"BGM", &AvgBuiltinMusic::BGM},
        {u"BGM.WA", &AvgBuiltinMusic::BGM_WA},
        {u"BGV", &AvgBuiltinMusic::BGV},
        {u"BGV.WA", &AvgBuiltinMusic::BGV_WA},
        {u"SE", &AvgBuiltinSound::SE_0},
        {u"SE_0", &AvgBuiltinSound::SE_0},
        {u"SE_1", &AvgBuiltinSound::SE_1},
        {u"SE_2", &AvgBuiltinSound::SE_2},
        {u"SE_3", &AvgBuiltinSound::SE_3},
        {u"SE.WA", &AvgBuiltinSound::SE_WA},
        {u"VO", &AvgBuiltinSound::VO_0},
        {u"VO_0", &AvgBuiltinSound::VO_0},
        {u"VO_1", &AvgBuiltinSound::VO_1},
        {u"VO_2", &AvgBuiltinSound::VO_2},
        {u"VO_3", &AvgBuiltinSound::VO_3},
        {u"VO.WA", &AvgBuiltinSound::VO_WA},
        {u"SEL", &AvgBuiltinChoice::SEL},
        {u"SEL.GO", &AvgBuiltinChoice::SEL_GO},
        {u"SEL.GOSUB", &AvgBuiltinChoice::SEL_GOSUB},
        {u"SEL.VISIBLE", &AvgBuiltinChoice::SEL_VISIBLE},
        {u"SEL.ENABLE", &AvgBuiltinChoice::SEL_ENABLE},
        {u"SEL.CANCEL", &AvgBuiltinChoice::SEL_CANCEL},
        {u"SEL.HASH", &AvgBuiltinChoice::SEL_HASH},
        {u"WA.CLICK", &AvgBuiltinWait::WA_CLICK},
        {u"WA.TIME", &AvgBuiltinWait::WA_TIME},
        {u"WA.LAYER", &AvgBuiltinWait::WA_LAYER},
        {u"RP.SET", &AvgBuiltinExtra::RP_SET},
        {u"RP.UNSET", &AvgBuiltinExtra::RP_UNSET},
        {u"RP.SETALL", &AvgBuiltinExtra::RP_SETALL},
        {u"RP.UNSETALL", &AvgBuiltinExtra::RP_UNSETALL},
        {u"RP.END", &AvgBuiltinExtra::RP_END},
        {u"CG.SET", &AvgBuiltinExtra::CG_SET},
        {u"CG.SETGROUP", &AvgBuiltinExtra::CG_SETGROUP},
        {u"CG.SETALL", &AvgBuiltinExtra::CG_SETALL},
        {u"CG.UNSETALL", &AvgBuiltinExtra::CG_UNSETALL},
        {u"JumpToTitle", &AvgBuiltinExtra::JumpToTitle},
        {u"SetExtraOption", &AvgBuiltinExtra::SetExtraOption},
        {u"GetExtraOption", &AvgBuiltinExtra::GetExtraOption},
    };
    return rows;
}

// Every game builtin name made known to a script compiler.
inline void DeclareGameBuiltins(qtest::MoaScriptBuilder& builder) {
    for (const GameBuiltinRow& row : GameBuiltinTable()) builder.DeclareBuiltin(row.name);
}

// Records the arguments of each call as text, joined by ','.
class TraceBuiltin : public GxMoaDelegateBase {
public:
    explicit TraceBuiltin(std::vector<std::string>* out) : m_Out(out) {}
    bool Invoke(const GxString*, int, GxMoaVariable* args, GxMoaWorker*, GxMoaScriptEntity*, GxMoaExecStack*,
                GxMoaVariable*) override {
        std::string line;
        for (int i = 0; i < args->GetArraySize(); ++i)
            line += (i ? "," : "") + GxToUtf8(GxMoaArgumentAt(args, i)->ToString());
        m_Out->push_back(line);
        return true;
    }

private:
    std::vector<std::string>* m_Out;
};

// The log lines of one kind (1 error, 2 debug) as UTF-8, in order.
class KindLog : public GxDebugListenerBase {
public:
    KindLog() { GxSetDebugListener(this); }
    ~KindLog() { GxSetDebugListener(nullptr); }
    void Output(const GxChar* line, int kind) override { m_Lines.push_back({kind, GxToUtf8(line)}); }
    std::vector<std::string> Lines(int kind) const {
        std::vector<std::string> out;
        for (const auto& [k, line] : m_Lines)
            if (k == kind) out.push_back(line);
        return out;
    }
    void Clear() { m_Lines.clear(); }

private:
    std::vector<std::pair<int, std::string>> m_Lines;
};

class BuiltinScriptTest : public GameTest {
protected:
    // Compiles the script as "main" into the bundle and starts the game on
    // it (a game already started is shut down first); the log lines of the
    // start-up are dropped.
    void StartGame(const char16_t* script) {
        if (started_) {
            Terminate();
            StopDevice();
        }
        qtest::MoaScriptBuilder builder;
        DeclareGameBuiltins(builder);
        builder.DeclareBuiltin(u"trace");
        // The word that closes a TEXT block, as the script compiler knows it.
        builder.DeclareBuiltin(u"endtext");
        GxMoa moa;
        ASSERT_NE(builder.AddScript(&moa, u"main", script), nullptr) << builder.LastError();
        fs::create_directories("bincode");
        qtest::WriteBytes("bincode/moacode.mwb", qtest::WriteContentBytes(false, "MOA", 100, [&](GxContentWriterBase& w) {
                              moa.WriteBundle(&w);
                          }));
        ASSERT_TRUE(StartDevice());
        Initialize();
        ASSERT_NE(g_pMoaFunctionBinder, nullptr);
        g_pMoaFunctionBinder->AddFunction(u"trace", new TraceBuiltin(&traces_));
        log_.Clear();
    }
    // Steps the main worker from the label until it stops; the statements run.
    int Run(const GxChar* label = u"start") {
        EXPECT_TRUE(g_pMoaMainWorker->StartAtLabel(label, nullptr));
        return Resume();
    }
    int Resume() {
        int n = 0;
        while (g_pMoaMainWorker->Step(g_pMoaFunctionBinder))
            if (++n > 10000) {
                ADD_FAILURE() << "the script did not stop";
                break;
            }
        return n;
    }
    // One label per call, "*r0", "*r1", ..., each running its call (one
    // line or more) and then ending, so that a table's rows run one at a time
    // with the state set between them. Row i's call starts on line
    // RowLine(i) of "main".
    void StartRows(const std::vector<std::u16string>& calls) {
        std::u16string script;
        rowLines_.clear();
        int line = 1;
        for (size_t i = 0; i < calls.size(); ++i) {
            script += u"*r" + GxFromUtf8(std::to_string(i)) + u"\n" + calls[i] + u"\nEXIT()\n";
            rowLines_.push_back(line + 1);
            line += 3 + int(std::count(calls[i].begin(), calls[i].end(), u'\n'));
        }
        StartGame(script.c_str());
    }
    // A row that stopped the script leaves the next row free to run.
    int RunRow(size_t i) {
        log_.Clear();
        g_pMoaMainWorker->GetMoa()->ResetErrorState();
        return Run((u"r" + GxFromUtf8(std::to_string(i))).c_str());
    }
    int RowLine(size_t i) const { return rowLines_.at(i); }
    // The line a builtin's report writes for a call on a line of "main"
    // (the name as the script compiler stores it, in lower case).
    static std::string ErrorLine(int line, const std::string& name, const std::string& message) {
        return "err:[Script=\"main\"/line=" + std::to_string(line) + "] " + name + ":" + message + "\n";
    }
    // The interpreter's own line after a builtin stopped the script.
    static std::string StopLine(int line, const std::string& name) {
        return "err:[Script=\"main\"/line=" + std::to_string(line) + "] 関数実行時にエラーが発生したので停止します[builtin:" +
               name + "]\n";
    }

    // The error and debug lines logged since the game started.
    std::vector<std::string> Errors() const { return log_.Lines(1); }
    std::vector<std::string> DebugLines() const { return log_.Lines(2); }
    std::string TraceText() const {
        std::string out;
        for (size_t i = 0; i < traces_.size(); ++i) out += (i ? "|" : "") + traces_[i];
        return out;
    }

    KindLog log_;
    std::vector<std::string> traces_;
    std::vector<int> rowLines_;
};

} // namespace gametest
