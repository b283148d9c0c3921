#include "base/GxStringUtil.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaVariable.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A script whose lines hold the given numbers of tokens.
std::unique_ptr<GxMoaScript> Lines(std::initializer_list<int> counts) {
    auto s = std::make_unique<GxMoaScript>();
    for (int n : counts) {
        GxMoaScriptStep step;
        for (int i = 0; i < n; ++i) step.m_Tokens.emplace_back(u16(kGxTokInt));
        s->m_Lines.push_back(step);
    }
    return s;
}

TEST(MoaScriptPos, CheckRunPos) {
    GxMoaScript empty;
    EXPECT_EQ(empty.CheckRunPos(-1, 0), 0);
    EXPECT_EQ(empty.CheckRunPos(0, -1), 0);
    EXPECT_EQ(empty.CheckRunPos(0, 0), -2);
    auto owned = Lines({2, 0, 1});
    GxMoaScript& s = *owned;
    EXPECT_EQ(s.CheckRunPos(3, 0), -2);
    EXPECT_EQ(s.CheckRunPos(2, 99), -1);
    EXPECT_EQ(s.CheckRunPos(2, 0), 1);
    EXPECT_EQ(s.GetToken(5, 0)->GetType(), kGxTokScriptEnd);
    EXPECT_EQ(s.GetToken(5, 0), empty.GetToken(0, 0)) << "one shared end token";
}

TEST(MoaScriptPos, Movements) {
    auto owned = Lines({2, 0, 0, 3});
    GxMoaScript& s = *owned;
    struct Case {
        const char* what;
        GxMoaRunPos from;
        bool (GxMoaScript::*move)(GxMoaRunPos*) const;
        bool result;
        GxMoaRunPos to;
    } cases[] = {
        {"next within a line", {0, 0}, &GxMoaScript::NextToken, true, {0, 1}},
        {"next over empty lines", {0, 1}, &GxMoaScript::NextToken, true, {3, 0}},
        {"next from the last token", {3, 2}, &GxMoaScript::NextToken, false, {4, 0}},
        {"next from a negative line", {-1, 0}, &GxMoaScript::NextToken, false, {-1, 1}},
        {"next from before a line", {3, -1}, &GxMoaScript::NextToken, true, {3, 0}},
        {"step in line", {0, 0}, &GxMoaScript::StepInLine, true, {0, 1}},
        {"step past the line", {0, 1}, &GxMoaScript::StepInLine, false, {0, 2}},
        {"step past the script", {7, 3}, &GxMoaScript::StepInLine, false, {4, 0}},
        {"previous to -1", {3, 0}, &GxMoaScript::PrevToken, false, {3, -1}},
        {"previous", {3, 2}, &GxMoaScript::PrevToken, true, {3, 1}},
        {"previous from a negative line", {-5, 2}, &GxMoaScript::PrevToken, false, {-1, 0}},
        {"previous past the script", {9, 2}, &GxMoaScript::PrevToken, false, {4, 0}},
    };
    for (const auto& c : cases) {
        GxMoaRunPos p = c.from;
        EXPECT_EQ((s.*c.move)(&p), c.result) << c.what;
        EXPECT_EQ(p, c.to) << c.what << ": " << p.m_Line << "," << p.m_Pos;
    }
    GxMoaRunPos p(0, 1);
    EXPECT_EQ(s.NextLine(&p), 1);
    EXPECT_EQ(p, GxMoaRunPos(1, 0));
    p = GxMoaRunPos(4, 0);
    EXPECT_EQ(s.NextLine(&p), -2);
    EXPECT_EQ(p, GxMoaRunPos(4, 0));
    EXPECT_FALSE(s.SeekBlockOpen(&p, GxMoaRunPos(8, 0)));

    EXPECT_EQ(s.FindFilledLine(GxMoaRunPos(0, 0)), 0) << "line 0 counts";
    EXPECT_EQ(s.FindFilledLine(GxMoaRunPos(2, 0)), 0);
    EXPECT_EQ(s.FindFilledLine(GxMoaRunPos(9, 0)), 3);
    EXPECT_EQ(Lines({0, 0})->FindFilledLine(GxMoaRunPos(1, 0)), -1);
}

TEST(MoaScriptPos, TokenRunPositions) {
    GxMoaToken t(kGxTokIf);
    EXPECT_EQ(t.GetRunPos(2), GxMoaRunPos(0, -1));
    EXPECT_EQ(t.GetRunPosLine(2), 0);
    t.SetRunPos(1, GxMoaRunPos(4, 5));
    EXPECT_EQ(t.GetRunPos(0), GxMoaRunPos(0, -1));
    EXPECT_EQ(t.GetRunPos(1), GxMoaRunPos(4, 5));
    GxMoaToken copy = t;
    t.SetRunPos(1, GxMoaRunPos(9, 9));
    EXPECT_EQ(copy.GetRunPos(1), GxMoaRunPos(4, 5)) << "copies own their positions";
    copy.Clear();
    EXPECT_EQ(copy.GetType(), 0);
    EXPECT_FALSE(copy.HasRunPos());
    EXPECT_EQ(GxMoaToken().GetType(), kGxTokScriptEnd);
}

TEST(MoaNames, TablesAndDescriptions) {
    EXPECT_EQ(GxMoaScopeName(11), u"ERROR");
    EXPECT_EQ(GxMoaScopeName(u32(-1)), u"ERROR");
    EXPECT_EQ(GxMoaScopeName(9), u"EXTERN_INGAME");
    EXPECT_EQ(GxMoaValueTypeName(250), u"RefVar");
    EXPECT_EQ(GxMoaValueTypeName(8), u"Unknown");
    EXPECT_EQ(GxMoaTokenTypeName(20), u"**不明トークン**");
    EXPECT_EQ(GxMoaTokenTypeName(80), u"**不明トークン**");
    EXPECT_EQ(GxMoaTokenTypeName(79), u"?");
    EXPECT_EQ(GxMoaOpcodeName(30), u"|");
    EXPECT_EQ(GxMoaOpcodeName(52), u"ERROR");

    struct Case {
        u16 type;
        s64 integer;
        const char16_t* text;
        const char16_t* want;
    } cases[] = {
        {kGxTokString, 0, u"abc", u"文字列 String:abc"},
        {kGxTokInt, -12, nullptr, u"整数値[-12]"},
        {kGxTokBuiltin, 3, u"go", u"組み込み関数名 String:go"},
        {kGxTokArrayVar, 0, u"", u"配列変数名"},
        {kGxTokBraceClose, 3, nullptr, u"}"},
    };
    for (const auto& c : cases) {
        GxMoaToken t(c.type);
        t.SetInt(c.integer);
        if (c.text) t.SetStr(c.text);
        GxString d;
        EXPECT_EQ(*t.ToDescription(&d), c.want);
    }
    GxMoaToken f(kGxTokFloat);
    f.SetFloat(1.5);
    GxString d;
    EXPECT_EQ(*f.ToDescription(&d), u"小数値[1.500000]");
}

TEST(MoaNames, VariableDumps) {
    GxString out;
    EXPECT_EQ(*GxMoaDumpVariable(&out, GxMoaVariable(), u"a", 0), u"$a=Null\n");
    GxMoaVariable list;
    list.MakeArray(0);
    EXPECT_EQ(*GxMoaDumpVariable(&out, list, u"list", 1), u"  $list[0]=(Array)\n");
    GxMoaVariable two;
    two.SetElement(0, GxMoaVariable::OfInt(3));
    two.SetElement(1, GxMoaVariable::OfString(u"s"));
    EXPECT_EQ(*GxMoaDumpVariable(&out, two, u"t", 0), u"$t[2]=(Array)\n  $[0]=3(Int)\n  $[1]=\"s\"(Str)\n");
    GxMoaVariable ref;
    ref.SetRefVar(u"x");
    EXPECT_EQ(*GxMoaDumpVariable(&out, ref, u"r", 0), u"$r=Unknown\n");
    GxMoaVariable op;
    op.SetOpcode(42);
    EXPECT_EQ(*GxMoaDumpVariable(&out, op, nullptr, 0), u"==(Opcode)\n");
    EXPECT_EQ(*GxMoaDumpVariable(&out, GxMoaVariable::OfFloat(0.5), u"f", 0), u"$f=0.500000(Float)\n");
}

} // namespace
