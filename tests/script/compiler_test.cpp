#include "base/GxStringUtil.h"
#include "script/GxMoaCompiler.h"
#include "script/GxMoaScript.h"
#include "tools/builders/MoaScriptBuilder.h"
#include "support/RecordingMoa.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An opcode list as text: "[2]1 [2]2 [24]"; operands after their opcode.
std::string Render(const GxMoaOpcodeList& list) {
    std::string out;
    for (const auto& v : list) {
        if (!out.empty()) out += ' ';
        if (v.IsOpcode())
            out += "[" + std::to_string(v.GetOpcode()) + "]";
        else if (v.GetType() == kGxMoaStr)
            out += "'" + GxToUtf8(v.ToString()) + "'";
        else
            out += GxToUtf8(v.ToString());
    }
    return out;
}

struct Compiled {
    bool ok;
    std::string list;
    std::string error;  // the first report's text
    GxMoaRunPos cursor;
};

Compiled Compile(const char16_t* expr, u32 flags = 0) {
    qtest::RecordingMoa moa;
    qtest::MoaScriptBuilder builder;
    builder.DeclareBuiltin(u"foo");
    builder.DeclareBuiltin(u"f");
    GxMoaScript* script = builder.AddScript(&moa, u"s", expr);
    Compiled c{false, "", "", {}};
    if (!script) {
        ADD_FAILURE() << builder.LastError();
        return c;
    }
    GxMoaOpcodeList list;
    GxMoaRunPos cursor(0, 0);
    c.ok = Phase_Expr(script, &list, &cursor, flags);
    c.list = Render(list);
    c.cursor = cursor;
    if (!moa.errors.empty()) c.error = GxToUtf8(moa.errors.front().text);
    EXPECT_LE(moa.errors.size(), 1u) << "an error is reported once";
    return c;
}

TEST(MoaCompiler, ShapesOfCompiledExpressions) {
    // Builtin indexes: the 48 defaults come first, so foo is 48 and f is 49.
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"1 + 2 * 3", "[2] 1 [2] 2 [2] 3 [24] [21]"},
        {u"(1 + 2) * 3", "[2] 1 [2] 2 [21] [2] 3 [24]"},
        {u"$a - $b - $c", "[6] 'a' [6] 'b' [23] [6] 'c' [23]"},
        {u"$a = $b = 1", "[2] 1 [42] [8] 'b' [42] [8] 'a'"},
        {u"1 && 0 || 1", "[2] 1 [2] 0 [36] [2] 1 [37]"},
        {u"$a & $b == $c", "[6] 'a' [6] 'b' [6] 'c' [15] [29]"},
        {u"$a[2] += 5", "[2] 2 [2] 5 [43] [9] 'a'"},
        {u"$a[($i + 1)]", "[6] 'i' [2] 1 [21] [7] 'a'"},
        {u"$x++", "[40] [8] 'x'"},
        {u"$a[0]--", "[2] 0 [41] [9] 'a'"},
        {u"foo", "[12] 0 [10] 48 'foo'"},
        {u"foo()", "[12] 0 [10] 48 'foo'"},
        {u"foo() + 1", "[12] 0 [10] 48 'foo' [2] 1 [21]"},
        {u"f(1, \"x\")", "[2] 1 [4] 'x' [12] 2 [10] 49 'f'"},
        {u"f(, $b)", "[5] [6] 'b' [12] 2 [10] 49 'f'"},
        {u"f($a, , $b)", "[6] 'a' [5] [6] 'b' [12] 3 [10] 49 'f'"},
        {u"f($a, )", "[6] 'a' [5] [12] 2 [10] 49 'f'"},
        {u"ARRAY(1, 2)", "[2] 1 [2] 2 [12] 2 [13]"},
        {u"- - $x", "[6] 'x' [28] [28]"},
        {u"! ~ 1", "[2] 1 [32] [35]"},
        {u"$s := \"a\" : 1.5", "[4] 'a' [3] 1.500000 [22] [44] [8] 's'"},
        {u"NULL", "[5]"},
        {u"", ""},
        {u";", ""},
        // A builtin without its own argument list leaves the `)` to the
        // parentheses around it.
        {u"(foo)", "[12] 0 [10] 48 'foo'"},
        {u"(foo) + 1", "[12] 0 [10] 48 'foo' [2] 1 [21]"},
        {u"f((foo), 2)", "[12] 0 [10] 48 'foo' [2] 2 [12] 2 [10] 49 'f'"},
    };
    for (const auto& [expr, want] : cases) {
        const Compiled got = Compile(expr);
        EXPECT_TRUE(got.ok) << GxToUtf8(expr) << ": " << got.error;
        EXPECT_EQ(got.list, want) << GxToUtf8(expr);
    }
}

TEST(MoaCompiler, ErrorsNameTheirPhaseAndToken) {
    struct Case {
        const char16_t* expr;
        u32 flags;
        const char* error;
    } cases[] = {
        {u"$a[$i + 1]", 0, "Phase_Skip 次に来るべき記号 ] がありません[+]"},
        {u"foo + 1", 0, "Phase_IsTermLeft 左側に項が存在しないか不正な式です[組み込み関数名 String:foo]"},
        {u"$y = ++$x", 0, "Phase_Term 式として認識できないトークンです[++単項]"},
        {u"$x = 1", 8, "Phase_Term この式で変数の内容を変えることはできません[変数名 String:x]"},
        {u"$x = 1", 1, "Phase_Term この式に変数を使用することはできません[変数名 String:x]"},
        {u"foo()", 4, "Phase_Term この式に組み込み関数を使用することはできません[組み込み関数名 String:foo]"},
        {u"1 { }", 0, "Phase_Expr 式に間違いがあります[{]"},
        {u"f(1 2)", 0, "Phase_Expr 式に間違いがあります[整数値[2]]"},
        {u"1 +", 0, "Phase_IsTermRight 右側に項が存在しないか不正な式です[スクリプト終端]"},
        {u"f(1", 0, "Phase_Element 式に予期しない記号を見つけました。式が間違っています[スクリプト終端]"},
        {u"(1", 0, "Phase_Skip 次に来るべき記号 ) がありません[スクリプト終端]"},
        {u"WHILE", 0, "Phase_Term 式として認識できないトークンです[WHILE]"},
    };
    for (const auto& c : cases) {
        const Compiled got = Compile(c.expr, c.flags);
        EXPECT_FALSE(got.ok) << GxToUtf8(c.expr);
        EXPECT_EQ(got.error, c.error) << GxToUtf8(c.expr);
    }
}

TEST(MoaCompiler, CursorStopsOnTheClosingToken) {
    const Compiled a = Compile(u"$x = 1 ]");
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.cursor, GxMoaRunPos(0, 3));
    const Compiled b = Compile(u"$x = 1");
    EXPECT_EQ(b.cursor, GxMoaRunPos(0, 3)) << "past the last token of the line";
}

TEST(MoaCompiler, DeepNestingIsRefusedNotOverflowed) {
    const auto nested = [](size_t n) { return std::u16string(n, u'(').append(u"1").append(n, u')'); };
    const Compiled got = Compile(nested(5000).c_str());
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.error, "Phase_Term 式の入れ子が深すぎます[(]");
    EXPECT_FALSE(Compile(std::u16string(5000, u'!').append(u"1").c_str()).ok);
    EXPECT_TRUE(Compile(nested(50).c_str()).ok) << "ordinary nesting compiles";
}

} // namespace
