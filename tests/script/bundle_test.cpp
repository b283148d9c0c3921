#include "moa_stream.h"
#include "base/GxStringUtil.h"
#include "script/GxMoaEx.h"
#include "tools/builders/MoaScriptBuilder.h"
#include "support/RecordingMoa.h"

#include "support/Golden.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using mtest::Form;
namespace fs = std::filesystem;

fs::path Golden(const char* name) { return qtest::GoldenPath(std::string("script/") + name); }

std::vector<u8> Bundle(GxMoa& moa, Form form) {
    return mtest::WriteStream(form, "MOA", [&](GxContentWriterBase& w) { EXPECT_TRUE(moa.WriteBundle(&w)); });
}

// Checks the content that the three golden bundles hold.
void ExpectGoldenContent(qtest::RecordingMoa& moa) {
    ASSERT_EQ(moa.GetLabels().size(), 1u);
    const GxMoaLabelDefinition* start = moa.FindLabel(u"start");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->m_Pos.m_ScriptName, u"main");
    ASSERT_EQ(moa.GetVariableDefinitions().size(), 1u);
    const GxMoaVariableDefinition& score = moa.GetVariableDefinitions()[0];
    EXPECT_EQ(score.m_Name, u"score");
    EXPECT_EQ(score.m_Scope, 6);
    EXPECT_EQ(score.m_ArraySize, -1);
    EXPECT_EQ(score.m_InitValue.ToInt64(), 10);
    EXPECT_EQ(score.m_Line, 1);
    ASSERT_NE(moa.FindBuiltinDefinition(u"trace"), nullptr);
    EXPECT_EQ(moa.FindBuiltinDefinition(u"trace")->m_BuiltinIndex, 5);
    EXPECT_EQ(moa.FindBuiltinDefinition(u"trace")->m_RelatedIndex, -1);
    GxMoaScript* main = moa.FindScript(u"main");
    ASSERT_NE(main, nullptr);
    EXPECT_NE(moa.FindLabelInScript(u"@loop", main), nullptr);
    ASSERT_EQ(main->GetLineCount(), 6);
    const size_t counts[] = {1, 5, 5, 4, 1, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(main->m_Lines[size_t(i)].m_Tokens.size(), counts[i]) << "line " << i;
    const GxMoaToken* var = main->GetToken(1, 0);
    EXPECT_EQ(var->GetType(), kGxTokVar);
    EXPECT_EQ(var->GetScope(), 6);
    EXPECT_EQ(main->GetToken(1, 4)->GetInt(), 1);
    EXPECT_EQ(main->GetToken(2, 0)->GetRunPos(1), GxMoaRunPos(2, 2));
    EXPECT_EQ(main->GetToken(2, 4)->GetRunPos(0), GxMoaRunPos(4, 0));
    EXPECT_EQ(main->GetToken(3, 0)->GetInt(), 5);
    EXPECT_EQ(main->GetToken(4, 0)->GetInt(), 3);
    EXPECT_FALSE(main->GetToken(4, 0)->HasStr());
    EXPECT_EQ(main->GetToken(5, 0)->GetStrView(), u"こんにちは");

}

TEST(MoaBundle, GoldenBundlesOfAllThreeFormsAreRead) {
    for (const char* name : {"moacode_text.mwb", "moacode_binary.mwb", "moacode_compressed.mwb"}) {
        SCOPED_TRACE(name);
        auto bytes = qtest::ReadBytes(Golden(name));
        ASSERT_FALSE(bytes.empty());
        mtest::StreamReader r(bytes, "MOA");
        ASSERT_TRUE(r.headerOk);
        qtest::RecordingMoa moa;
        ASSERT_TRUE(moa.ReadBundle(r.reader.get()));
        ExpectGoldenContent(moa);
        // The writer gives back the golden bytes of both forms it writes.
        if (bytes[0] != 'Z') {
            EXPECT_EQ(Bundle(moa, bytes[0] == 'T' ? Form::Text : Form::Binary), bytes);
        }
    }
}

TEST(MoaBundle, BuiltBundlesRoundTrip) {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder b;
    b.AddVariable(&moa, u"list", kGxScopeExternPerman, GxMoaVariable::OfFloat(-0.0), 3);
    ASSERT_NE(b.AddScript(&moa, u"zeta", u"*z\nSTATIC NOSAVE $s = \"x\"\nIF ($a) { trace(1.5) } ELSE { > テキスト\n}\n"),
              nullptr) << b.LastError();
    ASSERT_NE(b.AddScript(&moa, u"alpha", u"*a\n*@local\nGOSUB(\"z\", ARRAY(1, 2))\n"), nullptr) << b.LastError();
    for (Form form : {Form::Binary, Form::Text}) {
        const auto first = Bundle(moa, form);
        mtest::StreamReader r(first, "MOA");
        qtest::RecordingMoa back;
        ASSERT_TRUE(back.ReadBundle(r.reader.get()));
        EXPECT_EQ(Bundle(back, form), first) << "read and written again, byte for byte";
        EXPECT_EQ(back.GetScripts().begin()->first, u"alpha") << "scripts in name order";
        ASSERT_NE(back.FindScript(u"alpha"), nullptr);
        EXPECT_NE(back.FindScript(u"alpha")->FindLabel(u"@local"), nullptr);
        EXPECT_EQ(back.FindScript(u"zeta")->m_VariableDefine.size(), 1u);
    }
}

TEST(MoaBundle, TokenFlagsFollowWhatTheTokenHolds) {
    const auto write = [](const GxMoaToken& t) {
        auto bytes = mtest::WriteStream(Form::Binary, "T", [&](GxContentWriterBase& w) { t.Write(w); });
        return std::vector<u8>(bytes.begin() + 20, bytes.end());
    };
    GxMoaToken plain(kGxTokAdd);
    EXPECT_EQ(write(plain), (std::vector<u8>{21, 0, 0, 0, 0, 6, 0, 0, 0, 48}));
    GxMoaToken five(kGxTokInt);
    five.SetInt(5);
    EXPECT_EQ(write(five), (std::vector<u8>{21, 0, 0, 0, 1, 6, 0, 0, 0, 3, 7, 0, 0, 0, 0, 0, 0, 0, 5}));
    GxMoaToken empty(kGxTokString);
    empty.SetStr(u"");
    EXPECT_EQ(write(empty), (std::vector<u8>{21, 0, 0, 0, 4, 6, 0, 0, 0, 5, 26, 0, 0, 0, 0, 0}))
        << "an empty text is still a text";
    GxMoaToken f(kGxTokFloat);
    f.SetFloat(1.5);
    EXPECT_EQ(f.GetInt(), 0x3FF8000000000000) << "a float token keeps the bits of its double";
}

// A bundle made by hand from the writer's primitives.
std::vector<u8> HandBundle(const std::function<void(GxContentWriterBase&)>& body) {
    return mtest::WriteStream(Form::Binary, "MOA", body);
}

void EmptyLists(GxContentWriterBase& w, int from) {
    const char* names[] = {"m_pLabelDefine", "m_VariableDefine", "m_BuiltinDefine", "m_pScriptDefine"};
    for (int i = from; i < 4; ++i) {
        w.WriteListBegin(names[i], "", 0);
        w.WriteListEnd();
    }
}

TEST(MoaBundle, FirstOfTwoLabelsWins) {
    const auto bytes = HandBundle([](GxContentWriterBase& w) {
        w.WriteListBegin("m_pLabelDefine", "", 2);
        GxMoaLabelDefinition(u"dup", 1, 0, u"first").Write(w);
        GxMoaLabelDefinition(u"dup", 2, 0, u"second").Write(w);
        w.WriteListEnd();
        EmptyLists(w, 1);
        w.Write("END_MARKER", u"END_MARKER");
    });
    mtest::StreamReader r(bytes, "MOA");
    qtest::RecordingMoa moa;
    EXPECT_TRUE(moa.ReadBundle(r.reader.get()));
    ASSERT_NE(moa.FindLabel(u"dup"), nullptr);
    EXPECT_EQ(moa.FindLabel(u"dup")->m_Pos.m_ScriptName, u"first");
    EXPECT_TRUE(moa.errors.empty());
}

TEST(MoaBundle, EndMarkerIsRequiredExactly) {
    for (const char16_t* marker : {u"END_MARKER ", u"", u"END_MARKE"}) {
        const auto bytes = HandBundle([&](GxContentWriterBase& w) {
            EmptyLists(w, 0);
            w.Write("END_MARKER", marker);
        });
        mtest::StreamReader r(bytes, "MOA");
        qtest::RecordingMoa moa;
        EXPECT_FALSE(moa.ReadBundle(r.reader.get())) << GxToUtf8(marker);
    }
    const auto cut = HandBundle([](GxContentWriterBase& w) { EmptyLists(w, 0); });
    mtest::StreamReader r(cut, "MOA");
    qtest::RecordingMoa moa;
    EXPECT_FALSE(moa.ReadBundle(r.reader.get())) << "a bundle that stops after its scripts";
}

TEST(MoaBundle, CorruptCountsFailFastAndKeepWhatWasRead) {
    qtest::LogCapture log;
    const auto bytes = HandBundle([](GxContentWriterBase& w) {
        w.WriteListBegin("m_pLabelDefine", "", 1);
        GxMoaLabelDefinition(u"kept", 0, 0, u"main").Write(w);
        w.WriteListEnd();
        w.WriteListBegin("m_VariableDefine", "", 0xFFFFFFF0u);
    });
    mtest::StreamReader r(bytes, "MOA");
    qtest::RecordingMoa moa;
    EXPECT_FALSE(moa.ReadBundle(r.reader.get()));
    EXPECT_NE(moa.FindLabel(u"kept"), nullptr) << "what was read before the failure stays";
    EXPECT_TRUE(log.Contains("GxMoa::ReadBundle/リストの要素数が不正です(m_VariableDefine:4294967280)")) << log.Text();
    EXPECT_EQ(r->GetErrorCount(), 1u) << "refused before any element was read, by its own complaint";
}

// A label is a place in its script: one whose line or token the script does
// not have is dropped with one line naming the file; the others stay.
TEST(MoaBundle, LabelsOutsideTheirScriptsAreDropped) {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder b;
    GxMoaScript* main = b.AddScript(&moa, u"main", u"*MAIN\ntrace(1)\n");
    ASSERT_NE(main, nullptr) << b.LastError();
    const int lines = main->GetLineCount();
    const int lastTokens = int(main->m_Lines.back().m_Tokens.size());
    const struct {
        const char16_t* name;
        int line, pos;
        bool kept;
    } rows[] = {
        {u"before_first_token", 0, -1, true},   {u"after_last_token", lines - 1, lastTokens, true},
        {u"past_the_last_line", lines, 0, false}, {u"largest_line", INT32_MAX, 0, false},
        {u"negative_line", -1, 0, false},       {u"past_the_tokens", 0, 1000, false},
        {u"before_before", 0, -2, false},
    };
    for (const auto& r : rows) moa.AddLabel(GxMoaLabelDefinition(r.name, r.line, r.pos, u"main"));
    moa.AddLabel(GxMoaLabelDefinition(u"elsewhere", INT32_MAX, 0, u"nosuch"));
    main->m_pLabelDefine.emplace(u"@far", std::make_unique<GxMoaLabelDefinition>(u"@far", INT32_MAX, 0, u"main"));
    const auto bytes = Bundle(moa, Form::Binary);
    mtest::StreamReader r(bytes, "MOA");
    r->SetSourceName(u"bincode/moacode.mwb");
    qtest::RecordingMoa back;
    qtest::LogCapture log;
    ASSERT_TRUE(back.ReadBundle(r.reader.get()));
    for (const auto& row : rows) EXPECT_EQ(back.FindLabel(row.name) != nullptr, row.kept) << GxToUtf8(row.name);
    EXPECT_NE(back.FindLabel(u"elsewhere"), nullptr) << "a label of a script the bundle lacks says so when run";
    EXPECT_EQ(back.FindScript(u"main")->FindLabel(u"@far"), nullptr) << "a script's own labels are held the same";
    ASSERT_EQ(log.Lines().size(), 1u) << log.Text();
    EXPECT_TRUE(log.Contains("GxMoa::ReadBundle/ラベルの位置が不正です(") && log.Contains("(bincode/moacode.mwb)"))
        << log.Text();
}

TEST(MoaBundle, DefinitionWithAHugeArraySizeIsRefused) {
    qtest::LogCapture log;
    GxMoaVariableDefinition d;
    d.m_Name = u"big";
    d.m_ArraySize = 2000000000;
    const auto def = mtest::WriteStream(Form::Binary, "T", [&](GxContentWriterBase& w) { d.Write(w); });
    mtest::StreamReader r(def, "T");
    GxMoaVariableDefinition back;
    EXPECT_FALSE(back.Read(*r));
    EXPECT_EQ(back.m_ArraySize, -1);
    EXPECT_TRUE(log.Contains("GxMoaVariableDefinition::Read/配列の大きさが不正です(big:2000000000)")) << log.Text();
}

TEST(MoaInstance, LabelLookups) {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder b;
    GxMoaScript* s = b.AddScript(&moa, u"main", u"*Start\n*@local\n");
    ASSERT_NE(s, nullptr) << b.LastError();
    moa.AddLabel(GxMoaLabelDefinition(u"@local", 5, 0, u"other"));
    EXPECT_EQ(moa.FindLabelInScript(u"@local", nullptr), nullptr) << "a local name never finds a global label";
    EXPECT_EQ(moa.FindLabelInScript(u"@local", s)->m_Pos.m_ScriptName, u"main");
    EXPECT_NE(moa.FindLabelInScript(u"Start", nullptr), nullptr);
    EXPECT_EQ(moa.FindLabelInScript(u"start", s), nullptr) << "case-sensitive";
    EXPECT_EQ(moa.FindLabelInScript(u"", s), nullptr);
    EXPECT_TRUE(moa.HasLabel(u"@local", u"main"));
    EXPECT_FALSE(moa.HasLabel(u"@local", u"nosuch"));
    EXPECT_FALSE(moa.AddLabel(GxMoaLabelDefinition(u"Start", 9, 9, u"x")));
    EXPECT_EQ(moa.FindLabel(u"Start")->m_Pos.m_Line, 0);

    GxMoaVariableDefinition d;
    d.m_Name = u"v";
    d.m_InitValue = GxMoaVariable::OfInt(1);
    EXPECT_TRUE(moa.AddVariableDefinition(d));
    d.m_InitValue = GxMoaVariable::OfInt(2);
    EXPECT_FALSE(moa.AddVariableDefinition(d));
    EXPECT_EQ(moa.FindVariableDefinition(u"v")->m_InitValue.ToInt64(), 1);
    GxMoaBuiltinDefinition plain;
    EXPECT_EQ(plain.m_BuiltinIndex, -1);
    EXPECT_EQ(plain.m_RelatedIndex, -1);
    EXPECT_EQ(plain.m_BuiltinType, 1);
    EXPECT_TRUE(moa.AddNamedValue(u"nv", GxMoaVariable::OfInt(4)));
    EXPECT_FALSE(moa.AddNamedValue(u"nv", GxMoaVariable::OfInt(5)));
    EXPECT_EQ(moa.FindNamedValue(u"nv")->ToInt64(), 4);
}

TEST(MoaInstance, ExternVariablesByClass) {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder b;
    b.AddVariable(&moa, u"p", kGxScopeExternPerman, GxMoaVariable::OfInt(1));
    b.AddVariable(&moa, u"i", kGxScopeExternInGame, GxMoaVariable::OfInt(2));
    b.AddVariable(&moa, u"n", kGxScopeExternNoSave, GxMoaVariable::OfInt(3));
    b.AddVariable(&moa, u"g", kGxScopeGlobalInGame, GxMoaVariable::OfInt(4));
    moa.InitExternVariables();
    GxMoaVariableTable* t = moa.GetVariableTable();
    ASSERT_EQ(t->GetCount(), 3u) << "only the EXTERN scopes live in the instance";
    for (size_t k = 0; k < 3; ++k) t->At(k).m_Value = GxMoaVariable::OfInt(99);
    moa.ClearVariables(1);
    EXPECT_EQ(t->Find(u"i")->m_Value.ToInt64(), 99) << "class 1 selects nothing";
    moa.ClearVariables(kGxStorageInGame);
    EXPECT_EQ(t->Find(u"p")->m_Value.ToInt64(), 99);
    EXPECT_EQ(t->Find(u"i")->m_Value.ToInt64(), 2);
    EXPECT_EQ(t->Find(u"n")->m_Value.ToInt64(), 99);
    moa.ClearGameVariables();
    EXPECT_EQ(t->Find(u"n")->m_Value.ToInt64(), 3);
    EXPECT_EQ(t->Find(u"p")->m_Value.ToInt64(), 99);

    // A save that lacks an EXTERN variable still leaves it there.
    GxMoaVariableTable saved;
    saved.Append(GxMoaVariableSet(u"i", kGxScopeExternInGame, GxMoaVariable::OfInt(50)));
    const auto bytes = mtest::WriteStream(Form::Binary, "T", [&](GxContentWriterBase& w) { saved.WriteVariables(w, 3); });
    t->At(1).m_Value = GxMoaVariable::OfInt(77);
    GxMoaVariableTable fresh;
    *t = fresh;  // as if the save came from before "i" existed in the table
    t->m_Kind = GxMoaVariableTable::kKindExtern;
    mtest::StreamReader r(bytes, "T");
    EXPECT_TRUE(moa.ReplaceVariables(r.reader.get(), kGxStorageInGame));
    EXPECT_EQ(t->Find(u"i")->m_Value.ToInt64(), 50);
    ASSERT_NE(t->Find(u"p"), nullptr) << "missing EXTERN variables are made again";
    EXPECT_EQ(t->Find(u"p")->m_Value.ToInt64(), 1);
}

TEST(MoaInstance, ReportHooks) {
    qtest::LogCapture log;
    GxMoa plain;
    plain.Message(u"m %d", 1);
    plain.Warning(u"s", 0, u"w");
    plain.Error(u"s", 0, u"e");
    EXPECT_TRUE(log.Lines().empty()) << "the plain instance writes nothing";

    GxMoaEx ex;
    ex.Message(u"%s", u"100%");
    ex.Warning(u"main", 0, u"w %d", 2);
    ex.Error(u"main", 41, u"e");
    ASSERT_EQ(log.Lines().size(), 3u) << log.Text();
    EXPECT_EQ(log.Lines()[0], "100%\n");
    EXPECT_EQ(log.Lines()[1], "warn:[Script=\"main\"/line=1] w 2\n");
    EXPECT_EQ(log.Lines()[2], "err:[Script=\"main\"/line=42] e\n");

    qtest::RecordingMoa rec;
    rec.Error(u"main", 0, u"%s", std::u16string(2000, u'x'));
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].text.size(), 1023u) << "the text is cut to fit 1024 characters";
}

} // namespace
