#include "moa_world.h"

#include "script/GxMoaMainHost.h"
#include "script/GxMoaWorkerEx.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

// Stands in for the main scene, the game state and the permanent data.
struct FakeHost : GxMoaMainHost {
    bool scene = true;
    int mode = 2;
    bool kinsoku = false;
    std::set<GxString> images;  // image files that exist
    std::set<std::pair<GxString, int>> read;
    std::vector<std::string> calls;

    bool HasMainScene() override { return scene; }
    void ShowMessage(const GxString& m, bool r, bool k, bool) override {
        calls.push_back("show:" + GxToUtf8(m) + (r ? ":read" : ":new") + (k ? ":k" : ""));
    }
    void SetName(const GxString& n, int m) override { calls.push_back("name:" + GxToUtf8(n) + ":" + std::to_string(m)); }
    void ClearName() override { calls.push_back("clearname"); }
    int GetNameIdentifyMode() override { return mode; }
    bool GetIgnoreKinsoku() override { return kinsoku; }
    void AddMessageLog(const GxString& n, const GxString& m, bool, bool) override {
        calls.push_back("log:" + GxToUtf8(n) + ":" + GxToUtf8(m));
    }
    bool IsReadedMessage(const GxString& key, int index) override { return read.count({key, index}) > 0; }
    void SetReadedMessage(const GxString& key, int index) override { read.insert({key, index}); }
    bool ResolveImageFile(GxString* path) override {
        for (const char16_t* ext : {u"", u".png", u".dds"})
            if (images.count(*path + ext)) {
                *path += ext;
                return true;
            }
        return false;
    }
    std::string Calls() const {
        std::string out;
        for (const auto& c : calls) out += (out.empty() ? "" : " ") + c;
        return out;
    }
};

struct MainWorld : mtest::World<GxMoaWorkerEx> {
    FakeHost host;
    void LoadMain(const char16_t* text) {
        Load({{u"main", text}});
        worker->SetMainHost(&host);
    }
};

TEST(MoaMainWorker, TextLinesSplitTheNameByMode) {
    struct Case {
        int mode;
        const char16_t* text;
        const char* calls;
    } cases[] = {
        {0, u"アキラ「やあ」", "clearname show:アキラ「やあ」:new log::アキラ「やあ」"},
        {1, u"アキラ「やあ」", "name:アキラ:1 show:「やあ」:new log:アキラ:「やあ」"},
        {3, u"ユイ（小声）", "name:ユイ:3 show:（小声）:new log:ユイ:（小声）"},
        {1, u"「やあ」", "name::1 show:「やあ」:new log::「やあ」"},
        {1, u"地の文", "clearname show:地の文:new log::地の文"},
        {2, u"アキラ「やあ」", "name:アキラ:2 show:「やあ」:new log:アキラ:「やあ」"},
        {2, u"ナナシ「やあ」", "name::2 show:ナナシ「やあ」:new log::ナナシ「やあ」"},
        // Modes outside 0 to 3 read as mode 0: the line is still shown.
        {7, u"アキラ「やあ」", "clearname show:アキラ「やあ」:new log::アキラ「やあ」"},
        {-1, u"アキラ「やあ」", "clearname show:アキラ「やあ」:new log::アキラ「やあ」"},
    };
    for (const auto& c : cases) {
        MainWorld w;
        w.host.mode = c.mode;
        w.host.images.insert(u"cg/name/アキラ.png");
        const std::u16string text = std::u16string(u"*start\n> ") + c.text + u"\n";
        w.LoadMain(text.c_str());
        ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
        EXPECT_TRUE(w.worker->Step(&w.binder)) << "a text line is a working statement";
        EXPECT_EQ(w.host.Calls(), c.calls) << "mode " << c.mode;
        EXPECT_EQ(w.host.read.count({u"main", 2}), 1u) << "the line is marked read under its 1-based number";
    }
}

TEST(MoaMainWorker, OneTextLinePerStepAndTheReadFlag) {
    MainWorld w;
    w.host.mode = 0;
    w.LoadMain(u"*start\n> one\n> two\nGO(\"start\")\n");
    ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_EQ(w.host.Calls(), "clearname show:one:new log::one");
    w.host.calls.clear();
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_EQ(w.host.Calls(), "clearname show:two:new log::two");
    EXPECT_TRUE(w.worker->Step(&w.binder));  // GO back
    w.host.calls.clear();
    w.host.kinsoku = true;
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_EQ(w.host.Calls(), "clearname show:one:read:k log::one") << "shown a second time: read";
}

TEST(MoaMainWorker, MissingSceneIsReportedAndTheLineKept) {
    for (bool hostGiven : {false, true}) {
        MainWorld w;
        w.host.scene = false;
        w.Load({{u"main", u"*start\n> hello\n"}});
        if (hostGiven) w.worker->SetMainHost(&w.host);
        ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
        EXPECT_FALSE(w.worker->Step(&w.binder));
        EXPECT_TRUE(w.moa.HasError(u"SeqAvgMain")) << w.moa.ErrorsUtf8();
        EXPECT_EQ(w.worker->GetExecStack()->back().m_ScriptPos.m_Line, 1) << "stopped on the text line";
        EXPECT_TRUE(w.host.calls.empty());
    }
}

TEST(MoaMainWorker, LayerCommandsCallTheSpBuiltinWithTheTitleFirst) {
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"bg01.lnc(1, 2)", "sp.lnc:bg01,1,2"},
        {u"chara01(0)", "sp.lcg:chara01,0"},
        {u"stand.LNC()", "sp.lnc:stand"},
        {u"chara/a01.lcg(3)", "sp.lcg:a01,3"},
        {u"bg02.lnc($x + 1) trace(\"ignored\")", "sp.lnc:bg02,1"},
    };
    for (const auto& [line, calls] : cases) {
        MainWorld w;
        std::string seen;
        for (const char16_t* cmd : {u"sp.lnc", u"sp.lcg"}) {
            w.AddBuiltin(cmd, [&seen, cmd](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*, GxMoaVariable*) {
                seen += (seen.empty() ? "" : "|") + GxToUtf8(cmd) + ":";
                for (int i = 0; i < args->GetArraySize(); ++i)
                    seen += (i ? "," : "") + GxToUtf8(GxMoaArgumentAt(args, i)->ToString());
                return true;
            });
        }
        const std::u16string text = std::u16string(u"*start\n") + line + u"\ntrace(\"next\")\n";
        w.LoadMain(text.c_str());
        w.RunFrom(u"start");
        EXPECT_EQ(seen, calls) << GxToUtf8(line) << w.moa.ErrorsUtf8();
        EXPECT_EQ(w.TraceText(), "next") << GxToUtf8(line);
    }
}

// Reports from inside a layer command, and the place where a failing one
// stops the worker, name the command's own line (1 here, 0-based).
TEST(MoaMainWorker, LayerCommandsReportTheirOwnLine) {
    struct Case {
        const char* what;
        const char16_t* args;
        std::function<bool(GxMoaWorker*, GxMoaExecStack*)> body;
        const char* trace;
        const char16_t* report;
        bool warning;
        int stoppedAt;  // the frame's line afterwards, -1 when it ran on
    } cases[] = {
        {"builtin fails", u"1", [](GxMoaWorker*, GxMoaExecStack*) { return false; }, "",
         u"関数実行時にエラーが発生したので停止します", false, 1},
        {"builtin reports its own error",
         u"1",
         [](GxMoaWorker* worker, GxMoaExecStack* stack) {
             worker->ReportError(u"sp.lnc", nullptr, stack, u"%s", u"画像がありません");
             return false;
         },
         "", u"sp.lnc:画像がありません", false, 1},
        {"undefined variable in the arguments", u"$nothing", [](GxMoaWorker*, GxMoaExecStack*) { return true; },
         "next", u"未定義の変数 $nothing を使用しました", true, -1},
        {"builtin jumps", u"1",
         [](GxMoaWorker* worker, GxMoaExecStack*) { return worker->Jump(u"there", nullptr); }, "there", nullptr,
         false, -1},
    };
    for (const auto& c : cases) {
        MainWorld w;
        w.AddBuiltin(u"sp.lnc", [&](GxMoaVariable*, GxMoaWorker* worker, GxMoaExecStack* stack, GxMoaVariable*) {
            return c.body(worker, stack);
        });
        const std::u16string text =
            std::u16string(u"*start\nbg01.lnc(") + c.args + u")\ntrace(\"next\")\nEXIT()\n*there\ntrace(\"there\")\n";
        w.LoadMain(text.c_str());
        w.RunFrom(u"start");
        EXPECT_EQ(w.TraceText(), c.trace) << c.what;
        if (c.report) {
            const auto& reports = c.warning ? w.moa.warnings : w.moa.errors;
            ASSERT_FALSE(reports.empty()) << c.what;
            EXPECT_NE(reports.front().text.find(c.report), GxString::npos) << c.what << w.moa.ErrorsUtf8();
            for (const auto& r : reports) EXPECT_EQ(r.line, 1) << c.what << ": " << GxToUtf8(r.text);
        }
        if (c.stoppedAt >= 0) {
            EXPECT_TRUE(w.moa.m_ErrorFlag) << c.what;
            ASSERT_FALSE(w.worker->GetExecStack()->empty()) << c.what;
            EXPECT_EQ(w.worker->GetLine(nullptr), c.stoppedAt) << c.what;
        } else {
            EXPECT_FALSE(w.moa.m_ErrorFlag) << c.what << w.moa.ErrorsUtf8();
        }
    }
}

TEST(MoaMainWorker, AnUndeclaredLayerCommandOrOneWithoutArgumentsStops) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"bg01.xyz(1)", u"レイヤー操作に使用できない命令です[sp.xyz]"},
        {u"chara01 1", u"Phase_Skip 次に来るべき記号 ( がありません"},
    };
    for (const auto& [line, error] : cases) {
        SCOPED_TRACE(GxToUtf8(line));
        MainWorld w;
        w.builder.DeclareBuiltin(u"sp.lcg");
        w.LoadMain((std::u16string(u"*start\n") + line + u"\n").c_str());
        w.RunFrom(u"start");
        EXPECT_TRUE(w.moa.HasError(error)) << w.moa.ErrorsUtf8();
        EXPECT_TRUE(w.moa.m_ErrorFlag);
    }
}

TEST(MoaMainWorker, DeletingThroughEitherBaseIsComplete) {
    qtest::RecordingMoa moa;
    GxCoreRemainder* asRemainder = new GxMoaWorkerEx(&moa);
    delete asRemainder;  // AddressSanitizer reports a partial delete
    GxMoaWorker* asWorker = new GxMoaWorkerEx(&moa);
    delete asWorker;
}

} // namespace
