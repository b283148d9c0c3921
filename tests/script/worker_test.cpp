#include "moa_stream.h"
#include "moa_world.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using World = mtest::World<>;
using mtest::Form;

TEST(MoaWorker, FrameOperations) {
    World w;
    w.Load({{u"main", u"*a\n*b\n*@loc\n"}});
    GxMoaWorker& k = *w.worker;
    EXPECT_FALSE(k.Return(nullptr)) << "no frame";
    EXPECT_FALSE(k.Call(u"missing", nullptr));
    EXPECT_FALSE(k.IsRunning());
    EXPECT_TRUE(k.Jump(u"a", nullptr)) << "a jump starts an idle worker";
    ASSERT_EQ(k.GetExecStack()->size(), 1u);
    EXPECT_FALSE(k.Jump(u"@loc2", nullptr));
    EXPECT_TRUE(k.Jump(u"@loc", nullptr)) << "local labels of the current frame's script";
    EXPECT_EQ(k.GetLine(nullptr), 2);
    GxMoaVariableSet arg(u"_", kGxScopeLocal, GxMoaVariable::OfInt(4));
    EXPECT_TRUE(k.Call(u"b", &arg));
    ASSERT_EQ(k.GetExecStack()->size(), 2u);
    EXPECT_EQ(k.GetExecStack()->back().m_LocalTable.Find(u"_")->m_Value.ToInt64(), 4);
    const GxMoaVariable seven = GxMoaVariable::OfInt(7);
    EXPECT_TRUE(k.Return(&seven)) << "the caller remains";
    EXPECT_EQ(k.GetReturnValue().ToInt64(), 7);
    EXPECT_FALSE(k.Return(nullptr)) << "the last frame popped";
    EXPECT_TRUE(k.GetReturnValue().IsNull());

    // Inner blocks are unwound before a jump or a return.
    k.Jump(u"a", nullptr);
    GxMoaExecStackElement inner;
    inner.m_BlockType = 5;
    k.GetExecStack()->push_back(inner);
    k.GetExecStack()->push_back(inner);
    EXPECT_TRUE(k.Jump(u"b", nullptr));
    ASSERT_EQ(k.GetExecStack()->size(), 1u);
    EXPECT_EQ(k.GetLine(nullptr), 1);

    EXPECT_TRUE(k.CallInScript(u"a", u"main", nullptr));
    EXPECT_TRUE(k.JumpInScript(u"b", u"main", nullptr));
    EXPECT_EQ(k.GetExecStack()->size(), 2u) << "the top frame replaced";
    EXPECT_FALSE(k.JumpInScript(u"@loc", u"nosuch", nullptr));
    k.Exit(&seven);
    EXPECT_FALSE(k.IsRunning());
    EXPECT_EQ(k.GetReturnValue().ToInt64(), 7);
}

TEST(MoaWorker, SaveAndLoadInTheMiddleOfAGosub) {
    const char16_t* text =
        u"GLOBAL INGAME $g = 0\n"
        u"STATIC INGAME $s = 0\n"
        u"*start\n"
        u"$g = 1\n"
        u"GOSUB(\"sub\", \"arg\")\n"
        u"trace(\"back\", $g, $s, RETVAL())\n"
        u"EXIT()\n"
        u"*sub\n"
        u"$local = ARRAY(1, 2)\n"
        u"$s = 5\n"
        u"trace(\"saved here\")\n"
        u"trace(\"in sub\", $_, $local[1], $s)\n"
        u"RETURN(9)\n";
    World before;
    before.Load({{u"main", text}});
    ASSERT_TRUE(before.worker->StartAtLabel(u"start", nullptr));
    while (before.traces.empty()) ASSERT_TRUE(before.worker->Step(&before.binder));
    ASSERT_EQ(before.worker->GetExecStack()->size(), 2u);

    for (Form form : {Form::Binary, Form::Text}) {
        const auto bytes = mtest::WriteStream(form, "GD", [&](GxContentWriterBase& wr) {
            EXPECT_TRUE(before.moa.WriteVariables(&wr, kGxStorageInGame));
            EXPECT_TRUE(before.worker->WriteVariables(&wr, kGxStorageInGame));
            EXPECT_TRUE(before.worker->Write(&wr));
        });
        World after;
        after.Load({{u"main", text}});
        mtest::StreamReader r(bytes, "GD");
        ASSERT_TRUE(r.headerOk);
        EXPECT_TRUE(after.moa.ReplaceVariables(r.reader.get(), kGxStorageInGame));
        EXPECT_TRUE(after.worker->ReplaceVariables(r.reader.get(), kGxStorageInGame));
        EXPECT_TRUE(after.worker->Read(r.reader.get()));
        EXPECT_EQ(r->GetErrorCount(), 0u);
        ASSERT_EQ(after.worker->GetExecStack()->size(), 2u);
        after.Run();
        EXPECT_EQ(after.TraceText(), "in sub,arg,2,5|back,1,5,9") << (form == Form::Text ? "text" : "binary");
        EXPECT_TRUE(after.moa.errors.empty()) << after.moa.ErrorsUtf8();
    }
}

TEST(MoaWorker, VariablesByStorageClass) {
    World w;
    w.Load({{u"a", u"STATIC PERMAN $sp = 1\nSTATIC INGAME $si = 2\nSTATIC NOSAVE $sn = 3\n"},
            {u"b", u"GLOBAL PERMAN $gp = 4\nGLOBAL INGAME $gi = 5\nGLOBAL NOSAVE $gn = 6\n"}});
    GxMoaWorker& k = *w.worker;
    auto stat = [&](const char16_t* n) { return k.FindEntity(u"a")->FindVariable(n)->m_Value.ToInt64(); };
    auto glob = [&](const char16_t* n) { return k.FindVariable(n)->m_Value.ToInt64(); };
    for (const char16_t* n : {u"sp", u"si", u"sn"}) k.FindEntity(u"a")->FindVariable(n)->m_Value = GxMoaVariable::OfInt(100);
    for (const char16_t* n : {u"gp", u"gi", u"gn"}) k.FindVariable(n)->m_Value = GxMoaVariable::OfInt(100);

    const auto perman = mtest::WriteStream(Form::Binary, "PD", [&](GxContentWriterBase& wr) {
        EXPECT_TRUE(k.WriteVariables(&wr, kGxStoragePerman));
    });
    k.FindEntity(u"a")->ClearVariables(kGxStoragePerman);
    EXPECT_EQ(stat(u"sp"), 1);
    EXPECT_EQ(stat(u"si"), 100) << "class 2 leaves INGAME statics alone";
    EXPECT_TRUE(k.ClearGameVariables());
    EXPECT_EQ(stat(u"si"), 2);
    EXPECT_EQ(stat(u"sn"), 3);
    EXPECT_EQ(glob(u"gi"), 5);
    EXPECT_EQ(glob(u"gn"), 6);
    EXPECT_EQ(glob(u"gp"), 100) << "a new game keeps the permanent variables";

    k.ClearVariables(kGxStorageAll);
    mtest::StreamReader r(perman, "PD");
    EXPECT_TRUE(k.ReadVariables(r.reader.get(), kGxStoragePerman));
    EXPECT_EQ(stat(u"sp"), 100);
    EXPECT_EQ(glob(u"gp"), 100);
    EXPECT_EQ(glob(u"gi"), 5);
}

TEST(MoaWorker, ReplacingFromAnOlderSaveMakesNewVariablesAndSkipsGoneScripts) {
    World old;
    old.Load({{u"gone", u"STATIC INGAME $x = 1\n"}, {u"main", u"STATIC INGAME $y = 1\n"}});
    old.worker->FindEntity(u"main")->FindVariable(u"y")->m_Value = GxMoaVariable::OfInt(42);
    const auto bytes = mtest::WriteStream(Form::Text, "GD", [&](GxContentWriterBase& wr) {
        old.worker->WriteVariables(&wr, kGxStorageInGame);
        wr.Write("after", s32(77));
    });

    World now;
    now.Load({{u"main", u"STATIC INGAME $y = 1\nSTATIC INGAME $added = 3\nGLOBAL INGAME $newglobal = 8\n"}});
    now.worker->FindEntity(u"main")->FindVariable(u"added")->m_Value = GxMoaVariable::OfInt(99);
    mtest::StreamReader r(bytes, "GD");
    EXPECT_TRUE(now.worker->ReplaceVariables(r.reader.get(), kGxStorageInGame));
    EXPECT_EQ(r->ReadS32("after"), 77) << "the gone script's record was read and dropped, in step";
    EXPECT_EQ(now.worker->FindEntity(u"main")->FindVariable(u"y")->m_Value.ToInt64(), 42);
    EXPECT_EQ(now.worker->FindEntity(u"main")->FindVariable(u"added")->m_Value.ToInt64(), 3)
        << "cleared to its initial value: the save did not have it";
    EXPECT_EQ(now.worker->FindVariable(u"newglobal")->m_Value.ToInt64(), 8);
    EXPECT_EQ(now.worker->FindEntity(u"gone"), nullptr);
}

// The permanent data read with a bundle that lacks scripts (a broken one
// has none at all): what their records hold is written back unchanged, and
// one line names them; a script whose record holds nothing is not named.
TEST(MoaWorker, APermanentReadKeepsWhatScriptsTheBundleLacksHold) {
    // "plain" holds no permanent variable: its record holds nothing.
    const std::initializer_list<std::pair<const char16_t*, const char16_t*>> scripts = {
        {u"gone", u"STATIC PERMAN $x = 1\n"}, {u"main", u"STATIC PERMAN $y = 1\n"}, {u"plain", u"STATIC INGAME $z = 1\n"}};
    World old;
    old.Load(scripts);
    old.worker->FindEntity(u"gone")->FindVariable(u"x")->m_Value = GxMoaVariable::OfInt(42);
    old.worker->FindEntity(u"main")->FindVariable(u"y")->m_Value = GxMoaVariable::OfInt(43);
    const auto write = [](World& w) {
        return mtest::WriteStream(Form::Binary, "PD", [&](GxContentWriterBase& wr) {
            EXPECT_TRUE(w.worker->WriteVariables(&wr, kGxStoragePerman));
        });
    };
    const auto read = [](World& w, const std::vector<u8>& bytes) {
        mtest::StreamReader r(bytes, "PD");
        EXPECT_TRUE(w.worker->ReadVariables(r.reader.get(), kGxStoragePerman));
    };
    const auto bytes = write(old);

    World broken;
    broken.Load({{u"empty", u"*e\n"}});
    qtest::LogCapture log;
    read(broken, bytes);
    EXPECT_TRUE(log.Contains("GxMoaWorker::ReadVariables/スクリプトが見つからないため、その変数を読んだまま残します(gone,main)"))
        << log.Text();
    World now;
    now.Load({{u"main", u"STATIC PERMAN $y = 1\n"}});
    read(now, write(broken));
    EXPECT_EQ(now.worker->FindEntity(u"main")->FindVariable(u"y")->m_Value.ToInt64(), 43);
    World again;
    again.Load(scripts);
    read(again, write(now));
    EXPECT_EQ(write(again), bytes);
}

TEST(MoaWorker, FrameOfAScriptNoLongerInTheBundle) {
    World before;
    before.Load({{u"old", u"*o\n$x = 1\n"}});
    before.worker->StartAtLabel(u"o", nullptr);
    const auto bytes = mtest::WriteStream(Form::Binary, "GD", [&](GxContentWriterBase& wr) { before.worker->Write(&wr); });
    World after;
    after.Load({{u"main", u"*m\n"}});
    mtest::StreamReader r(bytes, "GD");
    EXPECT_TRUE(after.worker->Read(r.reader.get()));
    EXPECT_EQ(after.worker->GetExecStack()->back().m_ScriptPos.m_pEntity, nullptr);
    EXPECT_FALSE(after.worker->Step(&after.binder));
    EXPECT_TRUE(after.moa.HasError(u"スクリプトが見つからないので実行できません"));
}

TEST(MoaWorker, CorruptWorkerStateStopsReading) {
    World w;
    w.Load({{u"main", u"*m\n"}});
    for (u32 count : {0x7FFFFFFFu, 3u}) {
        const auto bytes = mtest::WriteStream(Form::Binary, "GD", [&](GxContentWriterBase& wr) {
            wr.Write("m_Name", u"MAIN_WORKER");
            wr.WriteListBegin("m_ExecStack", "", count);
            wr.Write("m_BlockType", s32(1));  // then the frame breaks off
        });
        mtest::StreamReader r(bytes, "GD");
        EXPECT_FALSE(w.worker->Read(r.reader.get()));
        // One broken frame's fields, not three frames' (or billions).
        EXPECT_LE(r->GetErrorCount(), 8u) << count;
        EXPECT_TRUE(w.worker->GetExecStack()->empty());
    }
}

TEST(MoaWorker, ReloadingTheBundleDropsCachedEntities) {
    World w;
    w.Load({{u"main", u"*m\nGO(\"@here\")\ntrace(\"skipped\")\n*@here\ntrace(\"here\")\n"}});
    ASSERT_TRUE(w.worker->StartAtLabel(u"m", nullptr));
    EXPECT_NE(w.worker->GetExecStack()->back().m_ScriptPos.m_pEntity, nullptr);
    w.worker->InitGlobalVariables();  // entities are made anew
    EXPECT_EQ(w.worker->GetExecStack()->back().m_ScriptPos.m_pEntity, nullptr);
    EXPECT_TRUE(w.worker->Jump(u"@here", nullptr)) << "the frame's script is found again by name";
    EXPECT_TRUE(w.worker->Step(&w.binder));
    w.Run();
    EXPECT_EQ(w.TraceText(), "here");
}

} // namespace
