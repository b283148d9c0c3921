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
// must reach and whether its family is built yet (a family's rows turn true
// as it is built; the others must still say they are not).
struct GameBuiltinRow {
    const GxChar* name;
    GxMoaDelegate<AvgBuiltin>::Method handler;
    bool built;
};
inline const std::vector<GameBuiltinRow>& GameBuiltinTable() {
    static const std::vector<GameBuiltinRow> rows = {
        {u"Print", &AvgBuiltinSystem::Print, true},
        {u"Debug", &AvgBuiltinSystem::Debug, true},
        {u"GetSaveDir", &AvgBuiltinSystem::GetSaveDir, true},
        {u"GetCurSeqName", &AvgBuiltinSystem::GetCurSeqName, true},
        {u"GetPrevSeqName", &AvgBuiltinSystem::GetPrevSeqName, true},
        {u"GetCurSeqParam0", &AvgBuiltinSystem::GetCurSeqParam0, true},
        {u"GetCurSeqParam1", &AvgBuiltinSystem::GetCurSeqParam1, true},
        {u"GetPrevSeqParam0", &AvgBuiltinSystem::GetPrevSeqParam0, true},
        {u"GetPrevSeqParam1", &AvgBuiltinSystem::GetPrevSeqParam1, true},
        {u"GetLastSelect", &AvgBuiltinSystem::GetLastSelect, true},
        {u"GetDialogResult", &AvgBuiltinSystem::GetDialogResult, true},
        {u"GetDebugModeFlag", &AvgBuiltinSystem::GetDebugModeFlag, true},
        {u"GetSystemSignature", &AvgBuiltinSystem::GetSystemSignature, true},
        {u"SetGameDataTitle", &AvgBuiltinSystem::SetGameDataTitle, true},
        {u"GetGameDataTitle", &AvgBuiltinSystem::GetGameDataTitle, true},
        {u"GetReplayMode", &AvgBuiltinSystem::GetReplayMode, true},
        {u"GetPassedLabel", &AvgBuiltinSystem::GetPassedLabel, true},
        {u"SetNameIdentifyMode", &AvgBuiltinSystem::SetNameIdentifyMode, true},
        {u"DLG", &AvgBuiltinMessage::DLG, true},
        {u"MSG", &AvgBuiltinMessage::MSG, true},
        {u"MSGN", &AvgBuiltinMessage::MSGN, true},
        {u"MSG.SHOW", &AvgBuiltinMessage::MSG_SHOW, true},
        {u"MSG.HIDE", &AvgBuiltinMessage::MSG_HIDE, true},
        {u"MSG.CLEAR", &AvgBuiltinMessage::MSG_CLEAR, true},
        {u"TEXT", &AvgBuiltinMessage::TEXT, true},
        {u"NOTICE.SYS", &AvgBuiltinExtra::NOTICE_SYS, true},
        {u"NOTICE.USER", &AvgBuiltinExtra::NOTICE_USER, true},
        {u"SP.COLOR", &AvgBuiltinStand::SP_COLOR, true},
        {u"SP.ALPHA", &AvgBuiltinStand::SP_ALPHA, true},
        {u"SP.BLEND", &AvgBuiltinStand::SP_BLEND, true},
        {u"SP.LCG", &AvgBuiltinStand::SP_LCG, true},
        {u"SP.LNC", &AvgBuiltinStand::SP_LNC, true},
        {u"SP.WA", &AvgBuiltinStand::SP_WA, true},
        {u"SP.SHAKE", &AvgBuiltinStand::SP_SHAKE, true},
        {u"SP.SHAKE_END", &AvgBuiltinStand::SP_SHAKE_END, true},
        {u"SP.SUB", &AvgBuiltinStand::SP_SUB, true},
        {u"SP.CLEARALL", &AvgBuiltinStand::SP_CLEARALL, true},
        {u"SP.ACT_MOVE", &AvgBuiltinStand::SP_ACT_MOVE, true},
        {u"SP.ACT_FINISH", &AvgBuiltinStand::SP_ACT_FINISH, true},
        {u"STAND", &AvgBuiltinStand::STAND, true},
        {u"BG", &AvgBuiltinPicture::BG, true},
        {u"BG.SW", &AvgBuiltinPicture::BG_SW, true},
        {u"BG.COLOR", &AvgBuiltinPicture::BG_COLOR, true},
        {u"BG.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE, true},
        {u"BG.WA", &AvgBuiltinPicture::BG_WA, true},
        {u"EV", &AvgBuiltinPicture::EV, true},
        {u"EV.SW", &AvgBuiltinPicture::EV_SW, true},
        {u"EV.COLOR", &AvgBuiltinPicture::BG_COLOR, true},
        {u"EV.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE, true},
        {u"EV.WA", &AvgBuiltinPicture::BG_WA, true},
        {u"FIN", &AvgBuiltinScreen::FIN, true},
        {u"FOUT", &AvgBuiltinScreen::FOUT, true},
        {u"FLASH", &AvgBuiltinScreen::FLASH, true},
        {u"FLASH.WA", &AvgBuiltinScreen::FLASH_WA, true},
        {u"SHAKE", &AvgBuiltinScreen::SHAKE, true},
        {u"SHAKE.END", &AvgBuiltinScreen::SHAKE_END, true},
        {u"MV", &AvgBuiltinMovie::MV, true},
        {u"MV.WA", &AvgBuiltinMovie::MV_WA, true},
        {u"MV.AUTOSTOP", &AvgBuiltinMovie::MV_AUTOSTOP, true},
        {u"BGM", &AvgBuiltinMusic::BGM, true},
        {u"BGM.WA", &AvgBuiltinMusic::BGM_WA, true},
        {u"BGV", &AvgBuiltinMusic::BGV, true},
        {u"BGV.WA", &AvgBuiltinMusic::BGV_WA, true},
        {u"SE", &AvgBuiltinSound::SE_0, true},
        {u"SE_0", &AvgBuiltinSound::SE_0, true},
        {u"SE_1", &AvgBuiltinSound::SE_1, true},
        {u"SE_2", &AvgBuiltinSound::SE_2, true},
        {u"SE_3", &AvgBuiltinSound::SE_3, true},
        {u"SE.WA", &AvgBuiltinSound::SE_WA, true},
        {u"VO", &AvgBuiltinSound::VO_0, true},
        {u"VO_0", &AvgBuiltinSound::VO_0, true},
        {u"VO_1", &AvgBuiltinSound::VO_1, true},
        {u"VO_2", &AvgBuiltinSound::VO_2, true},
        {u"VO_3", &AvgBuiltinSound::VO_3, true},
        {u"VO.WA", &AvgBuiltinSound::VO_WA, true},
        {u"SEL", &AvgBuiltinChoice::SEL, true},
        {u"SEL.GO", &AvgBuiltinChoice::SEL_GO, true},
        {u"SEL.GOSUB", &AvgBuiltinChoice::SEL_GOSUB, true},
        {u"SEL.VISIBLE", &AvgBuiltinChoice::SEL_VISIBLE, true},
        {u"SEL.ENABLE", &AvgBuiltinChoice::SEL_ENABLE, true},
        {u"SEL.CANCEL", &AvgBuiltinChoice::SEL_CANCEL, true},
        {u"SEL.HASH", &AvgBuiltinChoice::SEL_HASH, true},
        {u"WA.CLICK", &AvgBuiltinWait::WA_CLICK, true},
        {u"WA.TIME", &AvgBuiltinWait::WA_TIME, true},
        {u"WA.LAYER", &AvgBuiltinWait::WA_LAYER, true},
        {u"RP.SET", &AvgBuiltinExtra::RP_SET, true},
        {u"RP.UNSET", &AvgBuiltinExtra::RP_UNSET, true},
        {u"RP.SETALL", &AvgBuiltinExtra::RP_SETALL, true},
        {u"RP.UNSETALL", &AvgBuiltinExtra::RP_UNSETALL, true},
        {u"RP.END", &AvgBuiltinExtra::RP_END, true},
        {u"CG.SET", &AvgBuiltinExtra::CG_SET, true},
        {u"CG.SETGROUP", &AvgBuiltinExtra::CG_SETGROUP, true},
        {u"CG.SETALL", &AvgBuiltinExtra::CG_SETALL, true},
        {u"CG.UNSETALL", &AvgBuiltinExtra::CG_UNSETALL, true},
        {u"JumpToTitle", &AvgBuiltinExtra::JumpToTitle, true},
        {u"SetExtraOption", &AvgBuiltinExtra::SetExtraOption, true},
        {u"GetExtraOption", &AvgBuiltinExtra::GetExtraOption, true},
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
