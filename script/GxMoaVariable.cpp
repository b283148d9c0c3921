#include "script/GxMoaVariable.h"

#include "base/GxAssert.h"
#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "platform/system/environment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr f64 kEpsilon = 2.220446049250313e-16;

bool IsBlank(GxChar c) { return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x3000; }

// Decimal integer prefix of a text, saturated to [lo, hi].
s64 ParseInteger(GxStringView s, s64 lo, s64 hi) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
    // Accumulate as a negative number so that the lowest value fits.
    s64 acc = 0;
    bool clipped = false;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        const int d = s[i] - u'0';
        if (clipped) continue;
        if (acc < (std::numeric_limits<s64>::min() + d) / 10) {
            clipped = true;
            continue;
        }
        acc = acc * 10 - d;
    }
    if (clipped) return neg ? lo : hi;
    if (neg) return std::max(acc, lo);
    if (acc == std::numeric_limits<s64>::min()) return hi;
    return std::min(-acc, hi);
}

// Decimal floating-point prefix of a text: blanks, sign, digits with an
// optional fraction, an optional exponent. No number gives 0.0.
f64 ParseFloat(GxStringView s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::string num;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) num.push_back(char(s[i++]));
    size_t digits = 0;
    auto take_digits = [&] {
        size_t n = 0;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            num.push_back(char(s[i++]));
            ++n;
        }
        return n;
    };
    digits += take_digits();
    if (i < s.size() && s[i] == u'.') {
        num.push_back('.');
        ++i;
        digits += take_digits();
    }
    if (digits == 0) return 0.0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) exp.push_back(char(s[j++]));
        if (j < s.size() && s[j] >= u'0' && s[j] <= u'9') {
            while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') exp.push_back(char(s[j++]));
            num += exp;
        }
    }
    return psys::parse_double_c(num.c_str());
}

// Float to integer, truncated toward zero and saturated; NaN gives 0.
s64 SaturateToS64(f64 v) {
    if (std::isnan(v)) return 0;
    if (v >= 9223372036854775808.0) return std::numeric_limits<s64>::max();
    if (v < -9223372036854775808.0) return std::numeric_limits<s64>::min();
    return s64(v);
}

s32 SaturateToS32(f64 v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0) return std::numeric_limits<s32>::max();
    if (v <= -2147483649.0) return std::numeric_limits<s32>::min();
    return s32(v);
}

// 64-bit arithmetic wraps; done on unsigned numbers so that it is defined.
s64 WrapAdd(s64 a, s64 b) { return s64(u64(a) + u64(b)); }
s64 WrapSub(s64 a, s64 b) { return s64(u64(a) - u64(b)); }
s64 WrapMul(s64 a, s64 b) { return s64(u64(a) * u64(b)); }

GxString IntToText(s64 v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return GxString(buf, res.ptr);
}

// Text assembled on the stack while it is short, so that joining short texts
// costs no allocation.
class TextBuilder {
public:
    void Append(GxStringView t) {
        if (m_Long.empty() && m_Length + t.size() <= kInline) {
            std::copy(t.begin(), t.end(), m_Inline + m_Length);
            m_Length += t.size();
            return;
        }
        if (m_Long.empty()) m_Long.assign(m_Inline, m_Length);
        m_Long += t;
    }
    void AppendInt(s64 v) {
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, v);
        GxChar wide[24];
        const size_t n = size_t(res.ptr - buf);
        for (size_t i = 0; i < n; ++i) wide[i] = GxChar(buf[i]);
        Append(GxStringView(wide, n));
    }
    void AppendValue(const GxMoaVariable& v) {
        switch (v.GetType()) {
        case kGxMoaStr:
        case kGxMoaRefVar: Append(v.GetStringView()); break;
        case kGxMoaInt: AppendInt(v.ToInt64()); break;
        case kGxMoaArray: AppendInt(v.GetArraySize()); break;
        case kGxMoaFloat: Append(v.ToString()); break;
        default: break;
        }
    }
    GxStringView View() const { return m_Long.empty() ? GxStringView(m_Inline, m_Length) : GxStringView(m_Long); }

private:
    static constexpr size_t kInline = 64;
    GxChar m_Inline[kInline];
    size_t m_Length = 0;
    GxString m_Long;
};

enum class Order { Less, Equal, Greater, Unordered };

template <class T>
Order Compare(T a, T b) {
    if (a < b) return Order::Less;
    if (b < a) return Order::Greater;
    if (a == b) return Order::Equal;
    return Order::Unordered;
}

Order CompareText(GxStringView a, GxStringView b) {
    // Code unit by code unit as unsigned 16-bit numbers; a prefix is smaller.
    const int c = a.compare(b);
    return c < 0 ? Order::Less : c > 0 ? Order::Greater : Order::Equal;
}

bool IsNumber(const GxMoaVariable& v) { return v.GetType() == kGxMoaInt || v.GetType() == kGxMoaFloat; }

Order CompareValues(const GxMoaVariable& l, const GxMoaVariable& r) {
    const u32 lt = l.GetType(), rt = r.GetType();
    if (lt == kGxMoaNull && rt == kGxMoaNull) return Order::Equal;
    if (lt == kGxMoaNull && IsNumber(r)) {
        return rt == kGxMoaInt ? Compare<s64>(0, r.ToInt64()) : Compare<f64>(0.0, r.ToFloat());
    }
    if (rt == kGxMoaNull && IsNumber(l)) {
        return lt == kGxMoaInt ? Compare<s64>(l.ToInt64(), 0) : Compare<f64>(l.ToFloat(), 0.0);
    }
    if (lt == kGxMoaInt && rt == kGxMoaInt) return Compare(l.ToInt64(), r.ToInt64());
    if (IsNumber(l) && IsNumber(r)) return Compare(l.ToFloat(), r.ToFloat());
    if (lt == kGxMoaStr && rt == kGxMoaStr) return CompareText(l.GetStringView(), r.GetStringView());
    return CompareText(l.ToString(), r.ToString());
}

enum class Arith { Add, Sub, Mul, Div, Mod };

GxMoaVariable Arithmetic(const GxMoaVariable& l, const GxMoaVariable& r, Arith op) {
    GxMoaVariable out;
    if (l.GetType() == kGxMoaFloat || r.GetType() == kGxMoaFloat) {
        const f64 a = l.ToFloat(), b = r.ToFloat();
        switch (op) {
        case Arith::Add: out.SetFloat(a + b); break;
        case Arith::Sub: out.SetFloat(a - b); break;
        case Arith::Mul: out.SetFloat(a * b); break;
        case Arith::Div:
        case Arith::Mod:
            if (b >= -kEpsilon && b <= kEpsilon) break;  // Null
            out.SetFloat(op == Arith::Div ? a / b : std::fmod(a, b));
            break;
        }
        return out;
    }
    const s64 a = l.ToInt64(), b = r.ToInt64();
    switch (op) {
    case Arith::Add: out.SetInt64(WrapAdd(a, b)); break;
    case Arith::Sub: out.SetInt64(WrapSub(a, b)); break;
    case Arith::Mul: out.SetInt64(WrapMul(a, b)); break;
    case Arith::Div:
        if (b == 0) break;
        // The one quotient that does not fit wraps to itself.
        out.SetInt64(b == -1 ? WrapSub(0, a) : a / b);
        break;
    case Arith::Mod:
        if (b == 0) break;
        out.SetInt64(b == -1 ? 0 : a % b);
        break;
    }
    return out;
}

} // namespace

void GxMoaVariable::ReleaseHeap() noexcept {
    if (m_ValueType == kGxMoaArray)
        delete m_Array;
    else
        delete m_Str;
    m_Aux = 0;
}

void GxMoaVariable::AssignSlow(const GxMoaVariable& other) {
    if (this == &other) return;
    // Copy first: the source may live inside this value's own array.
    GxMoaVariable copy(other);
    Swap(copy);
}

void GxMoaVariable::CopyNested(const GxMoaVariable& other, int depth) {
    // A script can nest an array in itself over and over ($a[0] = $a in a
    // loop); copies stop one level short of the stored-form limit, so no value
    // ever grows deep enough to exhaust the stack when copied, freed or saved.
    if (other.m_ValueType == kGxMoaArray && depth >= kGxMoaMaxStoredNesting - 1) {
        m_ValueType = kGxMoaNull;
        return;
    }
    switch (other.m_ValueType) {
    case kGxMoaStr:
    case kGxMoaRefVar:
        if (other.OwnsHeap())
            m_Str = new GxString(*other.m_Str);
        else
            CopyPlain(other);
        m_Aux = other.m_Aux;
        break;
    case kGxMoaArray: {
        auto* elements = new std::vector<GxMoaVariable>(other.m_Array->size());
        for (size_t i = 0; i < elements->size(); ++i) (*elements)[i].CopyNested((*other.m_Array)[i], depth + 1);
        m_Array = elements;
        m_Aux = kHeap;
        break;
    }
    default: m_Int = other.m_Int; break;
    }
    m_ValueType = other.m_ValueType;
}

void GxMoaVariable::Swap(GxMoaVariable& other) noexcept {
    std::swap(m_Int, other.m_Int);
    std::swap(m_Tail, other.m_Tail);
    std::swap(m_ValueType, other.m_ValueType);
    std::swap(m_Aux, other.m_Aux);
}

GxMoaVariable GxMoaVariable::OfFloat(f64 v) {
    GxMoaVariable out;
    out.SetFloat(v);
    return out;
}

GxMoaVariable GxMoaVariable::OfString(GxStringView text) {
    GxMoaVariable out;
    out.SetString(text);
    return out;
}

void GxMoaVariable::TakeText(GxStringView text, u32 type) {
    if (text.size() <= kShortTextMax) {
        std::copy(text.begin(), text.end(), m_Short);
        m_Aux = u32(text.size());
    } else {
        m_Str = new GxString(text);
        m_Aux = kHeap;
    }
    m_ValueType = type;
}

s64 GxMoaVariable::GetPayload() const {
    switch (m_ValueType) {
    case kGxMoaStr:
    case kGxMoaRefVar:
    case kGxMoaArray: return 0;
    default: return m_Int;
    }
}

void GxMoaVariable::SetFloat(f64 v) {
    Clear();
    m_Float = v;
    m_ValueType = kGxMoaFloat;
}

void GxMoaVariable::SetString(GxStringView text) {
    const size_t nul = text.find(u'\0');
    if (nul != GxStringView::npos) text = text.substr(0, nul);
    // The text may be this value's own.
    GxMoaVariable made;
    made.TakeText(text, kGxMoaStr);
    Swap(made);
}

void GxMoaVariable::SetString(const GxChar* text) { SetString(text ? GxStringView(text) : GxStringView()); }

void GxMoaVariable::SetRefVar(GxStringView name) {
    SetString(name);
    m_ValueType = kGxMoaRefVar;
}


void GxMoaVariable::SetOpcode(s32 opcode) {
    Clear();
    m_Int = s64(opcode);
    m_ValueType = kGxMoaOpcode;
}

void GxMoaVariable::MakeArray(u32 count) {
    auto* a = new std::vector<GxMoaVariable>(count);
    Clear();
    m_Array = a;
    m_ValueType = kGxMoaArray;
    m_Aux = kHeap;
}

void GxMoaVariable::ResizeArray(u32 count) {
    if (IsArray()) {
        m_Array->resize(count);
        return;
    }
    MakeArray(count);
}

int GxMoaVariable::GetArraySize() const { return IsArray() ? int(m_Array->size()) : 0; }

GxMoaVariable* GxMoaVariable::GetElement(int index) {
    if (index == -1) return this;
    if (!IsArray() || index < -1 || index >= kGxMoaMaxArrayElements) return nullptr;
    if (size_t(index) >= m_Array->size()) m_Array->resize(size_t(index) + 1);
    return &(*m_Array)[size_t(index)];
}

GxMoaVariable* GxMoaVariable::SetElement(int index, const GxMoaVariable& value) {
    if (index == -1) {
        *this = value;
        return this;
    }
    if (index < -1 || index >= kGxMoaMaxArrayElements) return nullptr;
    // The value may be an element of this very array, which growing moves.
    GxMoaVariable copy(value);
    if (!IsArray()) MakeArray(u32(index) + 1);
    if (size_t(index) >= m_Array->size()) m_Array->resize(size_t(index) + 1);
    GxMoaVariable& slot = (*m_Array)[size_t(index)];
    slot = std::move(copy);
    return &slot;
}

s64 GxMoaVariable::ToInt64Slow() const {
    switch (m_ValueType) {
    case kGxMoaInt: return m_Int;
    case kGxMoaFloat: return SaturateToS64(m_Float);
    case kGxMoaStr:
        return ParseInteger(GetStringView(), std::numeric_limits<s64>::min(), std::numeric_limits<s64>::max());
    case kGxMoaArray: return s64(m_Array->size());
    default: return 0;
    }
}

s32 GxMoaVariable::ToInt() const {
    switch (m_ValueType) {
    case kGxMoaInt: return s32(u32(u64(m_Int)));
    case kGxMoaFloat: return SaturateToS32(m_Float);
    case kGxMoaStr:
        return s32(ParseInteger(GetStringView(), std::numeric_limits<s32>::min(), std::numeric_limits<s32>::max()));
    case kGxMoaArray: return s32(m_Array->size());
    default: return 0;
    }
}

f64 GxMoaVariable::ToFloat() const {
    switch (m_ValueType) {
    case kGxMoaInt: return f64(m_Int);
    case kGxMoaFloat: return m_Float;
    case kGxMoaStr: return ParseFloat(GetStringView());
    case kGxMoaArray: return f64(m_Array->size());
    default: return 0.0;
    }
}

GxString GxMoaVariable::ToString() const {
    switch (m_ValueType) {
    case kGxMoaInt: return IntToText(m_Int);
    case kGxMoaFloat: return GxFloatToString(m_Float);
    case kGxMoaStr:
    case kGxMoaRefVar: return GxString(GetStringView());
    case kGxMoaArray: return IntToText(s64(m_Array->size()));
    default: return {};
    }
}

int GxMoaVariable::GetStringLength() const {
    if (m_ValueType == kGxMoaStr) return int(GetStringView().size());
    return int(ToString().size());
}

GxMoaVariable GxMoaVariable::Add(const GxMoaVariable& r) const { return Arithmetic(*this, r, Arith::Add); }
GxMoaVariable GxMoaVariable::Subtract(const GxMoaVariable& r) const { return Arithmetic(*this, r, Arith::Sub); }
GxMoaVariable GxMoaVariable::Multiply(const GxMoaVariable& r) const { return Arithmetic(*this, r, Arith::Mul); }
GxMoaVariable GxMoaVariable::Divide(const GxMoaVariable& r) const { return Arithmetic(*this, r, Arith::Div); }
GxMoaVariable GxMoaVariable::Remainder(const GxMoaVariable& r) const { return Arithmetic(*this, r, Arith::Mod); }

GxMoaVariable GxMoaVariable::Concat(const GxMoaVariable& r) const {
    TextBuilder text;
    text.AppendValue(*this);
    text.AppendValue(r);
    GxMoaVariable out;
    out.SetString(text.View());
    return out;
}

GxMoaVariable GxMoaVariable::operator&(const GxMoaVariable& r) const { return OfInt(ToInt64() & r.ToInt64()); }
GxMoaVariable GxMoaVariable::operator|(const GxMoaVariable& r) const { return OfInt(ToInt64() | r.ToInt64()); }
GxMoaVariable GxMoaVariable::operator^(const GxMoaVariable& r) const { return OfInt(ToInt64() ^ r.ToInt64()); }

GxMoaVariable GxMoaVariable::operator<<(const GxMoaVariable& r) const {
    const u32 count = u32(u64(r.ToInt64()) & 0xFF);
    return OfInt(count >= 64 ? 0 : s64(u64(ToInt64()) << count));
}

GxMoaVariable GxMoaVariable::operator>>(const GxMoaVariable& r) const {
    const u32 count = u32(u64(r.ToInt64()) & 0xFF);
    return OfInt(count >= 64 ? 0 : s64(u64(ToInt64()) >> count));
}

GxMoaVariable& GxMoaVariable::operator+=(const GxMoaVariable& r) { return *this = *this + r; }
GxMoaVariable& GxMoaVariable::operator-=(const GxMoaVariable& r) { return *this = *this - r; }
GxMoaVariable& GxMoaVariable::operator*=(const GxMoaVariable& r) { return *this = *this * r; }
GxMoaVariable& GxMoaVariable::operator/=(const GxMoaVariable& r) { return *this = *this / r; }
GxMoaVariable& GxMoaVariable::operator%=(const GxMoaVariable& r) { return *this = *this % r; }
GxMoaVariable& GxMoaVariable::ConcatAssign(const GxMoaVariable& r) { return *this = Concat(r); }

GxMoaVariable& GxMoaVariable::Negate() {
    switch (m_ValueType) {
    case kGxMoaInt: m_Int = WrapSub(0, m_Int); break;
    case kGxMoaFloat: m_Float = -m_Float; break;
    case kGxMoaStr: SetInt64(WrapSub(0, ToInt64())); break;
    default: SetInt64(0); break;
    }
    return *this;
}

GxMoaVariable& GxMoaVariable::BitNot() {
    switch (m_ValueType) {
    case kGxMoaInt: m_Int = ~m_Int; break;
    case kGxMoaFloat:
    case kGxMoaStr: SetInt64(~ToInt64()); break;
    default: SetInt64(-1); break;
    }
    return *this;
}

GxMoaVariable& GxMoaVariable::LogicalNot() {
    switch (m_ValueType) {
    case kGxMoaInt:
    case kGxMoaFloat:
    case kGxMoaStr: SetInt64(ToInt64() == 0 ? 1 : 0); break;
    default: SetInt64(1); break;
    }
    return *this;
}

bool GxMoaVariable::SameAs(const GxMoaVariable& r) const {
    if (m_ValueType != r.m_ValueType) return false;
    switch (m_ValueType) {
    case kGxMoaNull: return true;
    case kGxMoaStr:
    case kGxMoaRefVar: return GetStringView() == r.GetStringView();
    case kGxMoaArray:
        return std::equal(m_Array->begin(), m_Array->end(), r.m_Array->begin(), r.m_Array->end(),
                          [](const GxMoaVariable& a, const GxMoaVariable& b) { return a.SameAs(b); });
    default: return m_Int == r.m_Int;
    }
}

bool GxMoaVariable::Equals(const GxMoaVariable& r) const {
    const u32 lt = m_ValueType, rt = r.m_ValueType;
    if (lt == kGxMoaNull || rt == kGxMoaNull) {
        const GxMoaVariable& o = lt == kGxMoaNull ? r : *this;
        switch (o.m_ValueType) {
        case kGxMoaNull: return true;
        case kGxMoaInt: return o.m_Int == 0;
        case kGxMoaFloat: return o.m_Float == 0.0;
        case kGxMoaStr: return o.GetStringView().empty();
        default: return false;
        }
    }
    if (lt == kGxMoaInt && rt == kGxMoaInt) return m_Int == r.m_Int;
    if (lt == kGxMoaFloat && rt == kGxMoaFloat) return m_Float == r.m_Float;
    if (lt == kGxMoaStr && rt == kGxMoaStr) return GetStringView() == r.GetStringView();
    if (IsNumber(*this) && IsNumber(r)) {
        const f64 a = ToFloat(), b = r.ToFloat();
        return b - kEpsilon <= a && a <= b + kEpsilon;
    }
    return ToString() == r.ToString();
}

bool GxMoaVariable::Less(const GxMoaVariable& r) const { return CompareValues(*this, r) == Order::Less; }
bool GxMoaVariable::Greater(const GxMoaVariable& r) const { return CompareValues(*this, r) == Order::Greater; }
bool GxMoaVariable::LessOrEqual(const GxMoaVariable& r) const {
    const Order o = CompareValues(*this, r);
    return o == Order::Less || o == Order::Equal;
}
bool GxMoaVariable::GreaterOrEqual(const GxMoaVariable& r) const {
    const Order o = CompareValues(*this, r);
    return o == Order::Greater || o == Order::Equal;
}

bool GxMoaVariable::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_ValueType", u32(m_ValueType));
    switch (m_ValueType) {
    case kGxMoaInt:
    case kGxMoaFloat: ok &= writer.Write("m_IntOfFloat", s64(m_Int)); break;
    case kGxMoaStr:
    case kGxMoaRefVar: ok &= writer.Write("m_Str", GxString(GetStringView())); break;
    case kGxMoaArray:
        ok &= writer.Write("m_ArraySize", s32(m_Array->size()));
        for (const auto& e : *m_Array) ok &= e.Write(writer);
        break;
    case kGxMoaOpcode: ok &= writer.Write("m_Int", s64(m_Int)); break;
    default: break;
    }
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaVariable::Read(GxContentReaderBase& reader) { return ReadNested(reader, 0); }

bool GxMoaVariable::ReadNested(GxContentReaderBase& reader, int depth) {
    Clear();
    u32 type = 0;
    if (!reader.Read("m_ValueType", &type)) return false;
    switch (type) {
    case kGxMoaInt:
    case kGxMoaFloat:
    case kGxMoaOpcode: {
        s64 v = 0;
        const bool ok = reader.Read(type == kGxMoaOpcode ? "m_Int" : "m_IntOfFloat", &v);
        m_Int = v;
        m_ValueType = type;
        if (!ok) return false;
        break;
    }
    case kGxMoaStr:
    case kGxMoaRefVar: {
        GxString text = reader.ReadWString("m_Str");
        if (text.size() <= kShortTextMax) {
            TakeText(text, type);
        } else {
            m_Str = new GxString(std::move(text));
            m_Aux = kHeap;
            m_ValueType = type;
        }
        break;
    }
    case kGxMoaArray: {
        s32 count = 0;
        if (!reader.Read("m_ArraySize", &count)) return false;
        // Each element takes at least one byte of the stream: a larger count
        // can only come from a damaged file.
        if (count < 0 || u32(count) > reader.GetRemainingBytes()) {
            reader.ComplainAbout(GxFormat(u"GxMoaVariable::Read/配列の要素数が不正です(%d)\n", count));
            return false;
        }
        if (depth >= kGxMoaMaxStoredNesting) {
            reader.ComplainAbout(GxFormat(u"GxMoaVariable::Read/配列の入れ子が深すぎます(%d)\n", depth));
            return false;
        }
        m_Array = new std::vector<GxMoaVariable>();
        m_ValueType = kGxMoaArray;
        m_Aux = kHeap;
        // Grown element by element, so that memory follows the bytes read.
        for (s32 i = 0; i < count; ++i) {
            GxMoaVariable e;
            const bool ok = e.ReadNested(reader, depth + 1);
            m_Array->push_back(std::move(e));
            if (!ok) return false;
        }
        break;
    }
    case kGxMoaNull: break;
    default:
        // Unknown codes are kept as they are, with no payload.
        m_ValueType = type;
        break;
    }
    return reader.GetErrorCount() == 0;
}

GxMoaVariable* GxMoaArgumentAt(GxMoaVariable* args, int i) {
    GX_ASSERT(args && args->IsArray() && i >= 0 && i < args->GetArraySize());
    auto* a = args ? args->GetArray() : nullptr;
    if (!a || i < 0 || size_t(i) >= a->size()) return nullptr;
    return &(*a)[size_t(i)];
}
