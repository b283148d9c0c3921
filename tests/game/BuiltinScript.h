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

// A table's calls, in its order, each with `after` on a line of its own
// when given.
template <class Rows>
std::vector<std::u16string> Calls(const Rows& rows, const std::u16string& after = u"") {
    std::vector<std::u16string> out;
    for (const auto& r : rows) out.push_back(std::u16string(r.call) + (after.empty() ? u"" : u"\n" + after));
    return out;
}

// `head`, then one label per call, "*r0", "*r1", ..., each running its call
// (one line or more) and then ending, so that a table's rows run one at a
// time with the state set between them; row i's call starts on line
// (*lines)[i] of the script.
inline std::u16string RowScript(std::u16string head, const std::vector<std::u16string>& calls, std::vector<int>* lines) {
    lines->clear();
    for (size_t i = 0; i < calls.size(); ++i) {
        lines->push_back(int(std::count(head.begin(), head.end(), u'\n')) + 2);
        head += u"*r" + GxFromUtf8(std::to_string(i)) + u"\n" + calls[i] + u"\nEXIT()\n";
    }
    return head;
}

// A call's builtin as the script compiler stores its name: in lower case.
inline std::string NameOf(const std::u16string& call) { return GxToUtf8(GxToLower(call.substr(0, call.find(u'(')))); }

// Each row of a table in turn, with its index, failures naming its call.
template <class Row, size_t N, class Each>
void ForEachRow(const Row (&rows)[N], Each each) {
    for (size_t i = 0; i < N; ++i) {
        SCOPED_TRACE(GxToUtf8(rows[i].call));
        each(i, rows[i]);
    }
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
class KindLog final : public GxDebugListenerBase {
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
    // The fixture's process reset forgot the listener the log installed.
    void SetUp() override {
        GameTest::SetUp();
        GxSetDebugListener(&log_);
    }
    // Compiles the script as "main" into the bundle and starts the game on
    // it (a game already started is shut down first); the log lines of the
    // start-up are dropped.
    void StartGame(const char16_t* script) {
        if (started_) {
            Terminate();
            StopDevice();
        }
        qtest::MoaScriptBuilder builder;
        builder.DeclareGameBuiltins();
        builder.DeclareBuiltin(u"trace");
        GxMoa moa;
        ASSERT_NE(builder.AddScript(&moa, u"main", script), nullptr) << builder.LastError();
        fs::create_directories("bincode");
        qtest::WriteBytes("bincode/moacode.mwb", qtest::WriteContentBytes(false, "MOA", 100, [&](GxContentWriterBase& w) {
                              moa.WriteBundle(&w);
                          }));
        ASSERT_TRUE(StartDevice());
        Initialize();
        ASSERT_NE(g_pMoaFunctionBinder(), nullptr);
        g_pMoaFunctionBinder()->AddFunction(u"trace", new TraceBuiltin(&traces_));
        log_.Clear();
    }
    // Steps the main worker from the label until it stops; the statements run.
    int Run(const GxChar* label = u"start") {
        EXPECT_TRUE(g_pMoaMainWorker()->StartAtLabel(label, nullptr));
        return Resume();
    }
    int Resume() {
        int n = 0;
        while (g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()))
            if (++n > 10000) {
                ADD_FAILURE() << "the script did not stop";
                break;
            }
        return n;
    }
    // The rows of RowScript as "main"; row i's call starts on line RowLine(i).
    void StartRows(const std::vector<std::u16string>& calls) { StartGame(RowScript(u"", calls, &rowLines_).c_str()); }
    // A row that stopped the script leaves the next row free to run.
    int RunRow(size_t i) {
        log_.Clear();
        g_pMoaMainWorker()->GetMoa()->ResetErrorState();
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
    // A report that stopped the script: its line and the stop line; none
    // for an empty message.
    static std::vector<std::string> Reports(int line, const std::string& name, const std::string& message) {
        if (message.empty()) return {};
        return {ErrorLine(line, name, message), StopLine(line, name)};
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
