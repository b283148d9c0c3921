#include "moa_stream.h"

#include "base/GxStringUtil.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaVariableDefinition.h"
#include "script/GxMoaVariableTable.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

using mtest::Form;

GxMoaVariable RoundTrip(Form form, const GxMoaVariable& v, bool* ok) {
    auto bytes = mtest::WriteStream(form, "TEST", [&](GxContentWriterBase& w) { EXPECT_TRUE(v.Write(w)); });
    mtest::StreamReader r(bytes, "TEST");
    EXPECT_TRUE(r.headerOk);
    GxMoaVariable back;
    *ok = back.Read(*r);
    EXPECT_TRUE(r->IsEnd()) << "everything written is read";
    return back;
}

TEST(MoaValueStream, RoundTripKeepsTypesAndBits) {
    GxMoaVariable nested;
    nested.SetElement(1, GxMoaVariable::OfString(u"内側"));
    GxMoaVariable array;
    array.SetElement(0, GxMoaVariable::OfInt(-5));
    array.SetElement(1, nested);
    array.SetElement(3, GxMoaVariable::OfFloat(2.5));
    GxMoaVariable ref;
    ref.SetRefVar(u"target");
    GxMoaVariable op;
    op.SetOpcode(-7);
    const GxMoaVariable values[] = {
        GxMoaVariable::OfInt(std::numeric_limits<s64>::min()),
        GxMoaVariable::OfFloat(-0.0),
        GxMoaVariable::OfFloat(std::bit_cast<f64>(u64(0x7FF8DEADBEEF0001))),  // a NaN with payload
        GxMoaVariable::OfFloat(1e-310),
        GxMoaVariable::OfString(u"tab\tquote\" 日本語 \\n"),
        GxMoaVariable::OfString(u""),
        array,
        ref,
        op,
        GxMoaVariable(),
    };
    for (Form form : {Form::Binary, Form::Text}) {
        for (const auto& v : values) {
            bool ok = false;
            const GxMoaVariable back = RoundTrip(form, v, &ok);
            EXPECT_TRUE(ok);
            EXPECT_EQ(back.GetType(), v.GetType());
            EXPECT_EQ(back.GetPayload(), v.GetPayload()) << "exact bits";
            EXPECT_EQ(back.ToString(), v.ToString());
            if (v.IsArray()) {
                GxMoaVariable a = back;
                ASSERT_EQ(a.GetArraySize(), 4);
                EXPECT_EQ(a.GetElement(1)->GetElement(1)->ToString(), u"内側");
                EXPECT_TRUE(a.GetElement(2)->IsNull());
            }
        }
    }
}

TEST(MoaValueStream, BinaryLayoutOfAnInt) {
    const auto bytes = mtest::WriteStream(Form::Binary, "T", [](GxContentWriterBase& w) {
        GxMoaVariable::OfInt(5).Write(w);
        GxMoaVariable::OfString(u"ab").Write(w);
    });
    const std::vector<u8> body(bytes.begin() + 20, bytes.end());
    const std::vector<u8> want = {
        6, 0, 0, 0, 7,                  // m_ValueType: U32 7
        7, 0, 0, 0, 0, 0, 0, 0, 5,      // m_IntOfFloat: S64 5
        6, 0, 0, 0, 25,                 // m_ValueType: U32 25
        26, 0, 0, 0, 2, 'a', 'b', 0,    // m_Str: UTF-8 "ab"
    };
    EXPECT_EQ(body, want);
}

// A stream of hand-made values: an Array header with a count, then nothing
// or a little.
void Put(std::vector<u8>& b, std::initializer_list<u8> bytes) {
    for (u8 x : bytes) b.push_back(x);
}

std::vector<u8> ArrayHeader(s32 count, size_t padding) {
    std::vector<u8> b = {'B', 'T', 'E', 'S', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100};
    Put(b, {6, 0, 0, 0, 39, 5});
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(u8(u32(count) >> shift));
    for (size_t i = 0; i < padding; ++i) b.push_back(0);
    return b;
}

TEST(MoaValueStream, CorruptArrayCountsAndDeepNestingAreRefused) {
    qtest::LogCapture log;
    const std::pair<s32, size_t> cases[] = {{-1, 10}, {std::numeric_limits<s32>::max(), 10}, {1000, 100}};
    for (const auto& [count, padding] : cases) {
        mtest::StreamReader r(ArrayHeader(count, padding), "TEST");
        ASSERT_TRUE(r.headerOk);
        GxMoaVariable v;
        EXPECT_FALSE(v.Read(*r)) << count;
        EXPECT_LE(v.GetArraySize(), 100) << "no element beyond the bytes that were there";
    }
    EXPECT_TRUE(log.Contains("GxMoaVariable::Read/配列の要素数が不正です(-1)")) << log.Text();
    EXPECT_TRUE(log.Contains("GxMoaVariable::Read/配列の要素数が不正です(2147483647)")) << log.Text();
    std::vector<u8> deep = ArrayHeader(1, 0);
    for (int i = 0; i < 5000; ++i) Put(deep, {6, 0, 0, 0, 39, 5, 0, 0, 0, 1});
    mtest::StreamReader r(deep, "TEST");
    GxMoaVariable v;
    EXPECT_FALSE(v.Read(*r));
    EXPECT_TRUE(log.Contains("配列の入れ子が深すぎます")) << log.Text();
}

TEST(MoaValueStream, ArraysNestedInThemselvesStayShallowEnoughToSaveAndLoad) {
    // $a[0] = $a, run by a script loop: each copy would nest one level deeper.
    GxMoaVariable a;
    a.MakeArray(1);
    for (int i = 0; i < 1000; ++i) a.SetElement(0, a);
    int depth = 0;
    for (const GxMoaVariable* v = &a; v && v->IsArray(); v = &(*v->GetArray())[0]) ++depth;
    EXPECT_EQ(depth, 256);
    for (Form f : {Form::Text, Form::Binary}) {
        bool ok = false;
        GxMoaVariable back = RoundTrip(f, a, &ok);
        EXPECT_TRUE(ok) << "a value the script could build can be saved and loaded";
        EXPECT_EQ(back, a);
    }
}

TEST(MoaTableStream, StorageClassesSelectTheVariables) {
    GxMoaVariableTable table;
    table.m_Kind = GxMoaVariableTable::kKindGlobal;
    const std::pair<const char16_t*, u32> vars[] = {{u"loc", 1}, {u"sp", 2}, {u"si", 3}, {u"sn", 4}, {u"gp", 5}, {u"gi", 6},
                                                    {u"gn", 7},  {u"ep", 8}, {u"ei", 9}, {u"en", 10}, {u"none", 0}};
    for (const auto& [name, scope] : vars) table.Append(GxMoaVariableSet(name, scope, GxMoaVariable::OfInt(scope)));
    struct Case {
        u32 storageClass;
        const char* names;
    } cases[] = {
        {0, "loc sp si sn gp gi gn ep ei en none"},
        {1, ""},
        {2, "sp gp ep"},
        {3, "loc si gi ei"},
        {4, "sn gn en"},
        {5, ""},
    };
    for (Form form : {Form::Binary, Form::Text}) {
        for (const auto& c : cases) {
            const auto bytes = mtest::WriteStream(form, "T", [&](GxContentWriterBase& w) {
                EXPECT_TRUE(table.WriteVariables(w, c.storageClass));
            });
            mtest::StreamReader r(bytes, "T");
            GxMoaVariableTable back;
            EXPECT_TRUE(back.ReadVariables(*r, 0));
            std::string names;
            for (size_t i = 0; i < back.GetCount(); ++i)
                names += (names.empty() ? "" : " ") + GxToUtf8(back.At(i).m_Name);
            EXPECT_EQ(names, c.names) << "class " << c.storageClass;
        }
    }
}

TEST(MoaTableStream, ReadingMergesByName) {
    GxMoaVariableTable saved;
    saved.Append(GxMoaVariableSet(u"a", kGxScopeGlobalPerman, GxMoaVariable::OfInt(1)));
    saved.Append(GxMoaVariableSet(u"b", kGxScopeGlobalInGame, GxMoaVariable::OfInt(2)));
    saved.Append(GxMoaVariableSet(u"c", kGxScopeGlobalPerman, GxMoaVariable::OfInt(3)));
    const auto bytes = mtest::WriteStream(Form::Binary, "T", [&](GxContentWriterBase& w) { saved.WriteVariables(w, 0); });

    GxMoaVariableTable live;
    live.Append(GxMoaVariableSet(u"a", kGxScopeGlobalNoSave, GxMoaVariable::OfInt(10)));
    live.Append(GxMoaVariableSet(u"keep", kGxScopeGlobalPerman, GxMoaVariable::OfInt(20)));
    mtest::StreamReader r(bytes, "T");
    EXPECT_TRUE(live.ReadVariables(*r, kGxStoragePerman));
    ASSERT_EQ(live.GetCount(), 3u) << "b is of another class and dropped; c is appended";
    EXPECT_EQ(live.Find(u"a")->m_Value.ToInt64(), 1) << "the value is replaced";
    EXPECT_EQ(live.Find(u"a")->m_Scope, u32(kGxScopeGlobalNoSave)) << "the existing scope stays";
    EXPECT_EQ(live.Find(u"keep")->m_Value.ToInt64(), 20);
    EXPECT_EQ(live.Find(u"c")->m_Scope, u32(kGxScopeGlobalPerman));
    EXPECT_EQ(live.Find(u"C"), nullptr);
}

TEST(MoaTableStream, CorruptCountsStopTheRead) {
    qtest::LogCapture log;
    for (s32 count : {std::numeric_limits<s32>::max(), 3}) {
        std::vector<u8> b = {'B', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 5};
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(u8(u32(count) >> shift));
        b.push_back(6);  // a record that breaks off after one byte
        mtest::StreamReader r(b, "T");
        GxMoaVariableTable t;
        EXPECT_FALSE(t.ReadVariables(*r, 0));
        EXPECT_EQ(t.GetCount(), 0u);
        EXPECT_LE(r->GetErrorCount(), 2u) << "stops at the first failing record, count " << count;
    }
    EXPECT_TRUE(log.Contains("GxMoaVariableTable::ReadVariables/変数の数が不正です(2147483647)")) << log.Text();
}

TEST(MoaTable, CreationAndDefinitions) {
    GxMoaVariableTable t;
    t.m_Kind = GxMoaVariableTable::kKindStatic;
    GxMoaVariable seven = GxMoaVariable::OfInt(7);
    GxMoaVariableSet* v = t.SetVariable(u"arr", 2, &seven);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->m_Scope, u32(kGxScopeStaticInGame));
    ASSERT_EQ(v->m_Value.GetArraySize(), 3);
    EXPECT_TRUE(v->m_Value.GetElement(0)->IsNull());
    EXPECT_EQ(v->m_Value.GetElement(2)->ToInt64(), 7);
    for (u32 kind : {1u, 3u, 4u, 9u}) {
        GxMoaVariableTable k;
        k.m_Kind = kind;
        const u32 want = kind == 3 ? 6 : kind == 4 ? 9 : 1;
        EXPECT_EQ(k.SetVariableNull(u"x", -1)->m_Scope, want) << "kind " << kind;
    }

    GxMoaVariableDefinition d;
    d.m_Name = u"list";
    d.m_Scope = kGxScopeGlobalInGame;
    d.m_ArraySize = 4;
    d.m_InitValue = GxMoaVariable::OfInt(1);
    t.AddFromDefinition(d);
    GxMoaVariableSet* list = t.Find(u"list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->m_Value.GetArraySize(), 4) << "an array size turns a non-array value into an array";
    list->m_Value = GxMoaVariable::OfString(u"changed");
    d.m_InitValue = GxMoaVariable::OfString(u"again");
    t.AddFromDefinition(d);
    EXPECT_EQ(list->m_Value.ToString(), u"changed") << "an existing variable stays";
    GxMoaVariableTable::ResetToDefinition(*list, &d);
    EXPECT_EQ(list->m_Value.GetArraySize(), 4);
    GxMoaVariableTable::ResetToDefinition(*list, nullptr);
    EXPECT_TRUE(list->m_Value.IsNull());

    d.m_ArraySize = std::numeric_limits<s32>::max();
    d.m_Name = u"huge";
    d.m_InitValue.Clear();
    t.AddFromDefinition(d);
    EXPECT_EQ(t.Find(u"huge")->m_Value.GetArraySize(), kGxMoaMaxArrayElements) << "capped, not gigabytes";
}

} // namespace
