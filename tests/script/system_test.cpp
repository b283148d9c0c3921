#include "moa_stream.h"
#include "moa_world.h"

#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "support/Golden.h"
#include "support/LogCapture.h"
#include "tests/io/fs_fixture.h"
#include "tools/builders/PackWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

fs::path Golden(const char* name) { return qtest::GoldenPath(std::string("script/") + name); }

TEST(MoaGolden, TheGoldenBundleRuns) {
    auto bytes = qtest::ReadBytes(Golden("moacode_binary.mwb"));
    mtest::StreamReader r(bytes, "MOA");
    qtest::RecordingMoa moa;
    ASSERT_TRUE(moa.ReadBundle(r.reader.get()));
    // $score = $score + 1, IF ($score) { trace($score) }.
    moa.InitExternVariables();
    GxMoaWorker worker(&moa);
    worker.InitGlobalVariables();
    GxMoaFunctionBinder binder;
    std::vector<GxString> traced;
    binder.AddFunction(u"trace", new mtest::LambdaBuiltin([&](GxMoaVariable* args, GxMoaWorker*, GxMoaExecStack*,
                                                              GxMoaVariable*) {
        traced.push_back(GxMoaArgumentAt(args, 0)->ToString());
        return true;
    }));
    ASSERT_TRUE(worker.StartAtLabel(u"start", nullptr));
    while (worker.Step(&binder)) {
    }
    EXPECT_EQ(traced, std::vector<GxString>{u"11"});
    EXPECT_EQ(worker.FindVariable(u"score")->m_Value.ToInt64(), 11);
    EXPECT_EQ(moa.messages, std::vector<GxString>{u"こんにちは"});
    EXPECT_TRUE(moa.errors.empty()) << moa.ErrorsUtf8();
}

// ---- start-up and bundle loading -------------------------------------------------

class MoaSystem : public iotest::FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        fs::create_directory("bincode");
        qtest::LogCapture::ListenAgain();
    }
    void Put(const std::vector<u8>& bytes) { qtest::WriteBytes(m_Dir.path() / "bincode/moacode.mwb", bytes); }
    qtest::LogCapture log_;
};

TEST_F(MoaSystem, StartupTwiceLeavesOneSet) {
    ASSERT_TRUE(GxMoaStartup(nullptr));
    ASSERT_TRUE(GxMoaStartup(nullptr));  // the first set is deleted (AddressSanitizer checks for leaks)
    EXPECT_NE(g_pMoa(), nullptr);
    EXPECT_EQ(g_pMoaMainWorker()->GetMoa(), g_pMoa());
    EXPECT_EQ(g_pMoaFunctionBinder()->GetCount(), 48u);
    GxBuiltinRegistryBase other;
    EXPECT_EQ(GxMoaFunctionBinder::FromRegistry(g_pMoaFunctionBinder()), g_pMoaFunctionBinder()) << "as modules are handed it";
    EXPECT_EQ(GxMoaFunctionBinder::FromRegistry(&other), nullptr);
    GxMoaShutdown();
    EXPECT_EQ(g_pMoa(), nullptr);
    EXPECT_EQ(g_pMoaMainWorker(), nullptr);
    EXPECT_EQ(g_pMoaBuiltinDefault(), nullptr);
    EXPECT_EQ(g_pMoaFunctionBinder(), nullptr);
    GxMoaShutdown();  // nothing to delete
}

TEST_F(MoaSystem, LoadsEachFormAndCreatesVariables) {
    for (const char* name : {"moacode_text.mwb", "moacode_binary.mwb", "moacode_compressed.mwb"}) {
        Put(qtest::ReadBytes(Golden(name)));
        ASSERT_TRUE(GxMoaStartup(nullptr));
        EXPECT_TRUE(LoadMoaBincode()) << name << log_.Text();
        ASSERT_NE(g_pMoaMainWorker()->FindVariable(u"score"), nullptr) << "globals made after the load";
        EXPECT_EQ(g_pMoaMainWorker()->GetEntities().size(), 1u);
    }
}

TEST_F(MoaSystem, LoadFailuresAreReported) {
    const std::pair<std::vector<u8>, const char*> cases[] = {
        {{'X', 'M', 'O', 'A'}, "BINCODEが古いバージョンです。新しいバージョンのスクリプトコンパイラを使用してください\n"},
        {{'T', 'B', 'M', 'O', 'A', '\t', '1', '\n'}, "BINCODEのヘッダが異なります。新しいバージョンのスクリプトコンパイラを使用してください\n"},
        {{'T', 'M', 'O', 'A', '\t', '7', '\n'}, "スクリプトが正しく読み込めませんでした\n"},
    };
    for (const auto& [bytes, message] : cases) {
        Put(bytes);
        ASSERT_TRUE(GxMoaStartup(nullptr));
        log_.Clear();
        EXPECT_FALSE(LoadMoaBincode());
        EXPECT_TRUE(log_.Contains(message)) << log_.Text();
        EXPECT_EQ(g_pMoa()->GetVariableTable()->GetCount(), 0u) << "no variables after a failed load";
    }
    // The reader's own line names the bundle.
    EXPECT_TRUE(log_.Contains(" (bincode/moacode.mwb)\n")) << log_.Text();
    // A bundle larger than any game's scripts (here a sparse file) is refused
    // unread, with one line naming it.
    Put({});
    std::filesystem::resize_file("bincode/moacode.mwb", u64(kGxMoaBundleMaxSize) + 1);
    log_.Clear();
    EXPECT_FALSE(LoadMoaBincode());
    EXPECT_EQ(log_.Lines(), std::vector<std::string>{"File too large(268435457 bytes, at most 268435456):bincode/moacode.mwb\n"});
    Put({'X'});
    log_.Clear();
    EXPECT_FALSE(LoadMoaBincode());
    ASSERT_EQ(log_.Lines().size(), 2u) << log_.Text();
    EXPECT_EQ(log_.Lines()[1], "それでもうまく動かないときはbincodeの中の modlist.dat を削除してみてください\n");
    Put({});
    log_.Clear();
    EXPECT_FALSE(LoadMoaBincode());
}

TEST_F(MoaSystem, CompilerExitCodes) {
    struct Case {
        const char* script;  // nullptr: no compiler at all
        u32 code;
        const char* message;
    } cases[] = {
        {"#!/bin/sh\n[ \"$3\" = -a ] && [ \"$4\" = -mc ] && [ -d \"$1\" ] || exit 9\necho \"$2\" > out.txt\nexit 0\n", 0, nullptr},
        {"#!/bin/sh\nexit 3\n", 3, "コンパイル時にエラーが発生したため古いスクリプトを実行しています\n"},
        {"#!/bin/sh\nkill -9 $$\n", 1, "コンパイル時にエラーが発生したため古いスクリプトを実行しています\n"},
        {nullptr, 1, "スクリプトコンパイラの起動に失敗しました\n"},
    };
    fs::create_directory("scripts");
    for (const auto& c : cases) {
        fs::remove("brelkit.exe");
        if (c.script) {
            qtest::WriteText("brelkit.exe", c.script);
            fs::permissions("brelkit.exe", fs::perms::owner_all);
        }
        log_.Clear();
        EXPECT_EQ(RunScriptCompiler(), c.code) << (c.script ? c.script : "missing");
        if (c.message) {
            ASSERT_EQ(log_.Lines().size(), 1u) << log_.Text();
            EXPECT_EQ(log_.Lines()[0], c.message);
        } else {
            EXPECT_TRUE(log_.Lines().empty()) << log_.Text();
        }
    }
    const auto out = qtest::ReadBytes("out.txt");
    const std::string want = (fs::current_path() / "bincode").string() + "\n";
    EXPECT_EQ(std::string(out.begin(), out.end()), want) << "the output folder is absolute";
}

TEST_F(MoaSystem, FileQueriesSeeDiskAndPacks) {
    fs::create_directory("data");
    qtest::WriteText(m_Dir.path() / "data/a.txt", "12345");
    qtest::WritePack(m_Dir.path() / "p.gxp", {{"data/packed.bin", {1, 2, 3}}});
    ASSERT_TRUE(GxMountPackFile(u"p.gxp"));
    mtest::World<> w;
    w.RunScript(u"*start\n"
                u"trace(IsFileExist(\"data/a.txt\"), GetFileSize(\"data/a.txt\"))\n"
                u"trace(IsFileExist(\"data/packed.bin\"), GetFileSize(\"data/packed.bin\"))\n"
                u"trace(IsFileExist(\"data/none\"), GetFileSize(\"data/none\"))\n");
    EXPECT_EQ(w.TraceText(), "1,5|2,3|0,0");
    GxResetFileSystem();
}

} // namespace
