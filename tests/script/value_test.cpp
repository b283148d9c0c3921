#include "base/GxStringUtil.h"
#include "script/GxMoaVariable.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

using V = GxMoaVariable;

V Int(s64 v) { return V::OfInt(v); }
V Flt(f64 v) { return V::OfFloat(v); }
V Str(const char16_t* s) { return V::OfString(s); }
V Null() { return V(); }
V Arr(std::initializer_list<V> items) {
    V a;
    a.MakeArray(0);
    int i = 0;
    for (const auto& e : items) a.SetElement(i++, e);
    return a;
}
V Op(s32 opcode) {
    V v;
    v.SetOpcode(opcode);
    return v;
}

constexpr s64 kMin = std::numeric_limits<s64>::min();
constexpr s64 kMax = std::numeric_limits<s64>::max();

TEST(MoaValue, NewClearedStringAndOpcodeValues) {
    V v;
    EXPECT_EQ(v.GetType(), u32(kGxMoaNull));
    EXPECT_EQ(v.GetPayload(), 0);
    v.SetString(u"x");
    v.Clear();
    EXPECT_EQ(v.GetType(), u32(kGxMoaNull));
    EXPECT_EQ(v.ToString(), u"");
    EXPECT_EQ(v.ToInt64(), 0);
    v.SetString(GxStringView(u"ab\0cd", 5));
    EXPECT_EQ(v.ToString(), u"ab") << "a string stops at its first NUL";
    EXPECT_EQ(v.GetStringLength(), 2);
    const V op = Op(-3);
    EXPECT_EQ(op.GetPayload(), -3) << "an opcode's payload is sign-extended";
    EXPECT_EQ(op.GetOpcode(), -3);
    EXPECT_EQ(op.ToInt64(), 0);
}

// ToInt64, and for the rows marked narrow ToInt, which saturates to 32 bits
// except for integers, whose low 32 bits it takes.
TEST(MoaValue, ToInt64AndToInt) {
    struct Case {
        V value;
        s64 want;
        bool narrow = false;
    } cases[] = {
        {Str(u" -7x"), -7},
        {Str(u"\t+12"), 12},
        {Str(u"abc"), 0},
        {Str(u"2.9"), 2},
        {Str(u"-2.9"), -2},
        {Str(u"- 5"), 0},
        {Str(u"99999999999999999999"), kMax},
        {Str(u"-99999999999999999999"), kMin},
        {Str(u"-9223372036854775808"), kMin},
        {Flt(2.9), 2},
        {Flt(-2.9), -2},
        {Flt(1e300), kMax},
        {Flt(-1e300), kMin},
        {Flt(std::nan("")), 0},
        {Arr({Int(1), Int(2), Int(3)}), 3},
        {Op(12), 0},
        {Null(), 0},
        {Int((s64(1) << 32) + 1), 1, true},
        {Int(-1), -1, true},
        {Str(u"4294967297"), std::numeric_limits<s32>::max(), true},
        {Str(u"-4294967297"), std::numeric_limits<s32>::min(), true},
        {Str(u"12.9"), 12, true},
        {Flt(3e9), std::numeric_limits<s32>::max(), true},
        {Flt(-3e9), std::numeric_limits<s32>::min(), true},
        {Flt(-7.5), -7, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.narrow ? s64(c.value.ToInt()) : c.value.ToInt64(), c.want) << GxToUtf8(c.value.ToString());
}

TEST(MoaValue, ToFloatAndToString) {
    EXPECT_EQ(Str(u"  -1.5e2z").ToFloat(), -150.0);
    EXPECT_EQ(Str(u".5").ToFloat(), 0.5);
    EXPECT_EQ(Str(u"3e").ToFloat(), 3.0) << "an exponent without digits is not part of the number";
    EXPECT_EQ(Str(u"e5").ToFloat(), 0.0);
    EXPECT_EQ(Str(u"inf").ToFloat(), 0.0);
    EXPECT_EQ(Arr({Null(), Null()}).ToFloat(), 2.0);

    EXPECT_EQ(Flt(1.5).ToString(), u"1.500000");
    EXPECT_EQ(Flt(-0.25).ToString(), u"-0.250000");
    EXPECT_EQ(Int(kMin).ToString(), u"-9223372036854775808");
    EXPECT_EQ(Arr({Null(), Null(), Null()}).ToString(), u"3");
    EXPECT_EQ(Op(21).ToString(), u"");
    EXPECT_EQ(Flt(1.5).GetStringLength(), 8);
}

TEST(MoaValue, ArithmeticRules) {
    const std::pair<V, V> cases[] = {
        {Str(u"3") + Str(u"4"), Int(7)},
        {Str(u"3") + Flt(0.5), Flt(3.5)},
        {Int(7) / Int(2), Int(3)},
        {Int(-7) % Int(2), Int(-1)},
        {Int(7) / Flt(2.0), Flt(3.5)},
        {Int(7) / Int(0), Null()},
        {Flt(7.0) / Int(0), Null()},
        {Int(7) % Int(0), Null()},
        {Flt(1.0) / Flt(1e-17), Null()},
        {Flt(7.5) % Int(2), Flt(1.5)},
        {Int(kMin) / Int(-1), Int(kMin)},
        {Int(kMin) % Int(-1), Int(0)},
        {Int(kMax) + Int(1), Int(kMin)},
        {Int(kMin) - Int(1), Int(kMax)},
        {Int(kMax) * Int(2), Int(-2)},
        {Int(1) << Int(64), Int(0)},
        {Int(1) << Int(256), Int(1)},
        {Int(1) << Int(257), Int(2)},
        {Int(-8) >> Int(1), Int(s64((u64(1) << 63) - 4))},
        {Int(6) & Str(u"3"), Int(2)},
        {Int(6) | Flt(1.9), Int(7)},
        {Int(6) ^ Int(3), Int(5)},
        {Int(1).Concat(Flt(0.5)), Str(u"10.500000")},
        // The compound forms replace the left value.
        {[] { V x = Int(2); return x.ConcatAssign(Int(1)); }(), Str(u"21")},
        {[] { V x = Int(5); return x /= Int(0); }(), Null()},
        {[] { V x = Int(5); return x -= Flt(0.5); }(), Flt(4.5)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [got, want] = cases[i];
        EXPECT_EQ(got.GetType(), want.GetType()) << "case " << i;
        EXPECT_EQ(got.GetPayload(), want.GetPayload()) << "case " << i;
        EXPECT_EQ(got.ToString(), want.ToString()) << "case " << i;
    }
}

TEST(MoaValue, UnaryOperations) {
    struct Case {
        V in;
        V neg, bitnot, lnot;
    } cases[] = {
        {Int(5), Int(-5), Int(~s64(5)), Int(0)},
        {Int(0), Int(0), Int(-1), Int(1)},
        {Int(kMin), Int(kMin), Int(kMax), Int(0)},
        {Flt(0.5), Flt(-0.5), Int(-1), Int(1)},
        {Str(u"4"), Int(-4), Int(-5), Int(0)},
        {Str(u"abc"), Int(0), Int(-1), Int(1)},
        {Null(), Int(0), Int(-1), Int(1)},
        {Arr({Int(1)}), Int(0), Int(-1), Int(1)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        V a = cases[i].in, b = cases[i].in, c = cases[i].in;
        a.Negate();
        b.BitNot();
        c.LogicalNot();
        EXPECT_EQ(a.GetType(), cases[i].neg.GetType()) << i;
        EXPECT_EQ(a.ToString(), cases[i].neg.ToString()) << i;
        EXPECT_EQ(b.ToString(), cases[i].bitnot.ToString()) << i;
        EXPECT_EQ(b.GetType(), u32(kGxMoaInt)) << i;
        EXPECT_EQ(c.ToString(), cases[i].lnot.ToString()) << i;
    }
}

TEST(MoaValue, Equality) {
    struct Case {
        V l, r;
        bool eq;
    } cases[] = {
        {Null(), Int(0), true},
        {Null(), Flt(0.0), true},
        {Null(), Str(u""), true},
        {Null(), Null(), true},
        {Null(), Str(u"a"), false},
        {Null(), Arr({}), false},
        {Int(1), Flt(1.0), true},
        {Int(1), Flt(1.0 + 1e-17), true},
        {Int(1), Flt(1.001), false},
        {Flt(std::nan("")), Flt(std::nan("")), false},
        {Int(10), Str(u"10"), true},
        {Arr({Null(), Null(), Null()}), Str(u"3"), true},
        {Str(u"ab"), Str(u"ab"), true},
        {Str(u"ab"), Str(u"aB"), false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].l == cases[i].r, cases[i].eq) << i;
        EXPECT_EQ(cases[i].r == cases[i].l, cases[i].eq) << i << " (swapped)";
        EXPECT_EQ(cases[i].l != cases[i].r, !cases[i].eq) << i;
    }
}

TEST(MoaValue, Ordering) {
    // Expected results of <, <=, >, >= for each pair.
    struct Case {
        V l, r;
        bool lt, le, gt, ge;
    } cases[] = {
        {Null(), Null(), false, true, false, true},
        {Null(), Int(1), true, true, false, false},
        {Flt(-0.5), Null(), true, true, false, false},
        {Int(1), Flt(1.0), false, true, false, true},
        {Int(1), Flt(1.0 + 1e-12), true, true, false, false},
        {Str(u"10"), Str(u"9"), true, true, false, false},
        {Int(10), Str(u"9"), true, true, false, false},
        {Null(), Str(u"a"), true, true, false, false},
        {Str(u"ab"), Str(u"abc"), true, true, false, false},
        {Str(u"\uFF01"), Str(u"a"), false, false, true, true},
        {Flt(std::nan("")), Flt(1.0), false, false, false, false},
        {Int(-1), Int(0), true, true, false, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(c.l < c.r, c.lt) << i;
        EXPECT_EQ(c.l <= c.r, c.le) << i;
        EXPECT_EQ(c.l > c.r, c.gt) << i;
        EXPECT_EQ(c.l >= c.r, c.ge) << i;
    }
}

TEST(MoaValue, ElementsGrowAndConvert) {
    V v = Int(1);
    ASSERT_NE(v.SetElement(3, Int(9)), nullptr);
    ASSERT_EQ(v.GetArraySize(), 4);
    EXPECT_TRUE(v.GetElement(0)->IsNull());
    EXPECT_EQ(v.GetElement(3)->ToInt64(), 9);

    V a = Arr({Int(1), Int(2)});
    EXPECT_EQ(a.GetElement(5)->GetType(), u32(kGxMoaNull));
    EXPECT_EQ(a.GetArraySize(), 6);
    EXPECT_EQ(a.GetElement(-1), &a);
    EXPECT_EQ(a.GetElement(-2), nullptr);
    EXPECT_EQ(Int(3).GetElement(0), nullptr) << "reading an element of a non-array gives none";

    EXPECT_EQ(a.GetElement(kGxMoaMaxArrayElements), nullptr) << "no gigabyte allocation";
    EXPECT_EQ(a.SetElement(std::numeric_limits<int>::max(), Int(1)), nullptr);
    EXPECT_EQ(a.GetArraySize(), 6);

    V r = Arr({Null(), Null(), Null(), Null(), Null()});
    r.ResizeArray(2);
    EXPECT_EQ(r.GetArraySize(), 2);
    V s = Str(u"text");
    s.ResizeArray(2);
    EXPECT_TRUE(s.IsArray());
    EXPECT_TRUE(s.GetElement(0)->IsNull());
}

TEST(MoaValue, SelfReferentialAssignmentsAreSafe) {
    V a = Arr({Arr({Int(7)}), Int(2)});
    a.SetElement(-1, *a.GetElement(0));  // the source lives inside the target
    ASSERT_TRUE(a.IsArray());
    ASSERT_EQ(a.GetArraySize(), 1);
    EXPECT_EQ(a.GetElement(0)->ToInt64(), 7);

    V b = Arr({Int(1)});
    b.SetElement(40, *b.GetElement(0));  // growing moves the source
    EXPECT_EQ(b.GetElement(40)->ToInt64(), 1);
    b = *b.GetElement(40);
    EXPECT_EQ(b.ToInt64(), 1);
}

TEST(MoaValue, CopiesAreDeep) {
    V inner = Arr({Int(1), Int(2)});
    V outer = Arr({inner, Str(u"x")});
    V copy = outer;
    copy.GetElement(0)->SetElement(0, Int(99));
    copy.GetElement(1)->SetString(u"y");
    EXPECT_EQ(outer.GetElement(0)->GetElement(0)->ToInt64(), 1);
    EXPECT_EQ(outer.GetElement(1)->ToString(), u"x");
}

// Texts of up to eight code units live inside the value, longer ones beside
// it; both copy, move and compare alike, also from inside the value's own
// array, and a text set from the value's own text survives.
TEST(MoaValue, ShortAndLongTextsBehaveAlike) {
    for (const char16_t* text : {u"", u"abcdefgh", u"abcdefghi", u"長いテキストはヒープに置かれます"}) {
        V a = Str(text);
        V b = a;
        EXPECT_EQ(b.ToString(), text);
        EXPECT_TRUE(a == b);
        V moved = std::move(b);
        EXPECT_EQ(moved.ToString(), text);
        EXPECT_TRUE(b.IsNull());
        EXPECT_EQ(a.Concat(a).ToString(), GxString(text) + text);
        a.SetString(a.GetStringView());
        EXPECT_EQ(a.ToString(), text);

        V holder = Arr({Str(text), Int(1)});
        holder = *holder.GetElement(0);
        EXPECT_EQ(holder.ToString(), text);
        holder = Arr({Str(text), Int(1)});
        holder = std::move(*holder.GetElement(0));
        EXPECT_EQ(holder.ToString(), text);
    }
}

} // namespace
