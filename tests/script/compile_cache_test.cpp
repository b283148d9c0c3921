// Statements are compiled once and their opcode lists kept per script and
// token; these pin what the keeping must not change.
#include "moa_stream.h"
#include "moa_world.h"

#include "script/GxMoaCompiler.h"
#include "script/GxMoaExecutor.h"

#include <gtest/gtest.h>

namespace {

using World = mtest::World<>;

// A statement that does not compile is reported each time it is run, and a
// statement that compiled runs the same from its kept list as the first time.
TEST(MoaCompileCache, FaultsAreReportedEveryTimeAndListsRunAlike) {
    World w;
    w.builder.AddVariable(&w.moa, u"x", kGxScopeGlobalNoSave);
    w.Load({{u"main", u"*start\ntrace($x, 1 + 2 * 3)\n$x = $x + 1\n*bad\ntrace(1 +)\n"}});
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
        EXPECT_TRUE(w.worker->Step(&w.binder));
        EXPECT_TRUE(w.worker->Step(&w.binder));
    }
    EXPECT_EQ(w.TraceText(), ",7|1,7|2,7");
    for (int run = 1; run <= 2; ++run) {
        w.moa.ResetErrorState();
        ASSERT_TRUE(w.worker->StartAtLabel(u"bad", nullptr));
        EXPECT_FALSE(w.worker->Step(&w.binder));
        EXPECT_EQ(w.moa.errors.size(), size_t(run)) << w.moa.ErrorsUtf8();
    }
}

// A frame's list may be written to (a save read back, a test): the kept list
// stays as it was compiled.
TEST(MoaCompileCache, WritingAFramesListLeavesTheKeptOneAlone) {
    World w;
    w.Load({{u"main", u"*start\ntrace(5)\nGO(\"start\")\n"}});
    ASSERT_TRUE(w.worker->StartAtLabel(u"start", nullptr));
    EXPECT_TRUE(w.worker->Step(&w.binder));
    auto& list = w.worker->GetExecStack()->back().m_OpcodeList;
    ASSERT_FALSE(list.empty());
    list.clear();
    list.push_back(GxMoaVariable::OfInt(1));
    EXPECT_TRUE(w.worker->Step(&w.binder));  // GO
    EXPECT_TRUE(w.worker->Step(&w.binder));
    EXPECT_EQ(w.TraceText(), "5|5");
}

// A bundle loaded anew brings its own statements, even at the same places.
TEST(MoaCompileCache, ANewBundleIsCompiledAnew) {
    World first;
    first.Load({{u"main", u"*start\ntrace(1)\n"}});
    first.RunFrom(u"start");
    const auto bundle = [](const char16_t* text) {
        World w;
        w.Load({{u"main", text}});
        return mtest::WriteStream(mtest::Form::Binary, "MOA", [&](GxContentWriterBase& wr) { w.moa.WriteBundle(&wr); });
    };
    mtest::StreamReader r(bundle(u"*start\ntrace(2)\n"), "MOA");
    ASSERT_TRUE(first.moa.ReadBundle(r.reader.get()));
    first.worker->InitGlobalVariables();
    first.RunFrom(u"start");
    EXPECT_EQ(first.TraceText(), "1|2");
}

// Saved in the middle of a statement (from inside a builtin), a frame keeps
// its opcodes and the place in them; read back, the list is the same.
TEST(MoaCompileCache, AFrameSavedMidStatementHoldsItsList) {
    World w;
    std::vector<u8> saved;
    w.AddBuiltin(u"save", [&](GxMoaVariable*, GxMoaWorker* worker, GxMoaExecStack*, GxMoaVariable*) {
        saved = mtest::WriteStream(mtest::Form::Binary, "GD", [&](GxContentWriterBase& wr) { worker->Write(&wr); });
        return true;
    });
    w.Load({{u"main", u"*start\n$r = 1 + save() * 2\n"}});
    w.RunFrom(u"start");
    ASSERT_FALSE(saved.empty());

    World back;
    back.builder.DeclareBuiltin(u"save");
    back.Load({{u"main", u"*start\n$r = 1 + save() * 2\n"}});
    mtest::StreamReader r(saved, "GD");
    ASSERT_TRUE(back.worker->Read(r.reader.get()));
    const GxMoaExecStackElement& frame = back.worker->GetExecStack()->back();
    GxMoaOpcodeList compiled;
    GxMoaRunPos cursor(1, 0);
    ASSERT_TRUE(Phase_Expr(back.moa.FindScript(u"main"), &compiled, &cursor, 0));
    ASSERT_EQ(frame.m_OpcodeList.size(), compiled.size());
    for (size_t i = 0; i < compiled.size(); ++i) {
        EXPECT_EQ(frame.m_OpcodeList[i].GetType(), compiled[i].GetType()) << i;
        EXPECT_EQ(frame.m_OpcodeList[i].ToString(), compiled[i].ToString()) << i;
    }
    EXPECT_EQ(frame.m_OpcodeList[size_t(frame.m_OpcodePos)].GetOpcode(), kGxOpCallBuiltin);
}

} // namespace
