#pragma once
// Type-safe printf-style formatting with the wide-printf meanings the engine's
// messages are written in: "%s" takes a wide string, "%S" a narrow one,
// "%I64d" a 64-bit integer, width, precision, flags and '*' as usual. The
// argument's own type decides how a string or number is read, so a mismatched
// specifier can never read garbage; integers are cut to the width that the
// size prefix names, as printf would.
#include "base/GxTypes.h"

#include <concepts>
#include <cstddef>
#include <type_traits>

class GxFormatArg {
public:
    enum class Kind : u8 { Signed, Unsigned, Double, Wide, Narrow, Pointer };

    template <class T>
        requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char>)
    GxFormatArg(T v) : m_Kind(Kind::Signed) { m_Int = s64(v); }
    template <class T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
    GxFormatArg(T v) : m_Kind(Kind::Unsigned) { m_UInt = u64(v); }
    GxFormatArg(char v) : m_Kind(Kind::Signed) { m_Int = s64(static_cast<unsigned char>(v)); }
    GxFormatArg(bool v) : m_Kind(Kind::Signed) { m_Int = v ? 1 : 0; }
    template <class T>
        requires std::is_enum_v<T>
    GxFormatArg(T v) : GxFormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
    GxFormatArg(double v) : m_Kind(Kind::Double) { m_Double = v; }
    GxFormatArg(float v) : m_Kind(Kind::Double) { m_Double = v; }
    GxFormatArg(const GxChar* s) : m_Kind(Kind::Wide) { m_Str = s; m_Len = s ? std::char_traits<GxChar>::length(s) : 0; }
    GxFormatArg(GxChar* s) : GxFormatArg(static_cast<const GxChar*>(s)) {}
    GxFormatArg(const GxString& s) : m_Kind(Kind::Wide) { m_Str = s.data(); m_Len = s.size(); }
    GxFormatArg(GxStringView s) : m_Kind(Kind::Wide) { m_Str = s.data(); m_Len = s.size(); if (!m_Str) m_Str = u""; }
    // Narrow strings are in the ANSI code page (CP932).
    GxFormatArg(const char* s) : m_Kind(Kind::Narrow) { m_Str = s; m_Len = s ? std::char_traits<char>::length(s) : 0; }
    GxFormatArg(char* s) : GxFormatArg(static_cast<const char*>(s)) {}
    GxFormatArg(const std::string& s) : m_Kind(Kind::Narrow) { m_Str = s.data(); m_Len = s.size(); }
    GxFormatArg(const void* p) : m_Kind(Kind::Pointer) { m_UInt = reinterpret_cast<uintptr_t>(p); }
    GxFormatArg(std::nullptr_t) : m_Kind(Kind::Pointer) { m_UInt = 0; }

    Kind GetKind() const { return m_Kind; }
    s64 AsSigned() const;
    u64 AsUnsigned() const;
    double AsDouble() const;
    // The string in UTF-16; numbers are written out in decimal.
    GxString AsWide() const;
    bool IsNullString() const { return (m_Kind == Kind::Wide || m_Kind == Kind::Narrow) && m_Str == nullptr; }

private:
    Kind m_Kind;
    union {
        s64 m_Int;
        u64 m_UInt;
        double m_Double;
    };
    const void* m_Str = nullptr;
    size_t m_Len = 0;
};

// Formats with a wide format; args in order.
GxString GxFormatArgs(const GxChar* format, const GxFormatArg* args, size_t count);
// Formats with a narrow (ANSI code page) format; the result is wide.
GxString GxFormatArgsA(const char* format, const GxFormatArg* args, size_t count);

template <class... A>
GxString GxFormat(const GxChar* format, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        return GxFormatArgs(format, nullptr, 0);
    } else {
        const GxFormatArg list[] = {GxFormatArg(args)...};
        return GxFormatArgs(format, list, sizeof...(A));
    }
}

template <class... A>
GxString GxFormatA(const char* format, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        return GxFormatArgsA(format, nullptr, 0);
    } else {
        const GxFormatArg list[] = {GxFormatArg(args)...};
        return GxFormatArgsA(format, list, sizeof...(A));
    }
}

GxString GxIntToString(int v);
GxString GxFloatToString(double v);
