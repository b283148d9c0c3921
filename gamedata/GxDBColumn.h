#pragma once
// One column of a data table: its name, value type, array size and where its
// field lies in a record. A table lists its columns in file order, `ID` first;
// the loader, the column queries and the field look-up all work from that list.
#include "base/GxTypes.h"
#include "base/GxDBRecord.h"
#include "io/GxContentTypes.h"

#include <type_traits>

// The value-type code of a wide-string column (the content-stream codes name
// only narrow and UTF-8 strings).
constexpr u32 kGxDBTypeWString = 25;

struct GxDBColumn {
    const GxChar* m_Name;
    u32 m_Type;         // kGxValS32, kGxValU32, kGxValF32 or kGxDBTypeWString
    s32 m_ArraySize;    // elements of an array column; 0 for a scalar
    s32 m_FirstFilled;  // the first element a line fills
    void* (*m_Field)(GxDBRecord& record);  // the field, or element 0 of an array

    s32 FilledCount() const { return m_ArraySize ? m_ArraySize - m_FirstFilled : 1; }
};

namespace gxdb_detail {

template <class M>
struct MemberOf;
template <class R, class T>
struct MemberOf<T R::*> {
    using Record = R;
    using Field = T;
};

template <class T>
constexpr u32 TypeCode() {
    if constexpr (std::is_same_v<T, s32>) return kGxValS32;
    else if constexpr (std::is_same_v<T, u32>) return kGxValU32;
    else if constexpr (std::is_same_v<T, f32>) return kGxValF32;
    else {
        static_assert(std::is_same_v<T, GxString>, "a table column is s32, u32, f32 or a wide string");
        return kGxDBTypeWString;
    }
}

template <auto Member>
void* FieldOf(GxDBRecord& record) {
    using M = MemberOf<decltype(Member)>;
    auto& field = static_cast<typename M::Record&>(record).*Member;
    if constexpr (std::is_array_v<typename M::Field>) return &field[0];
    else return &field;
}

} // namespace gxdb_detail

// The column of a record member; array members become array columns.
template <auto Member>
constexpr GxDBColumn GxDBCol(const GxChar* name, s32 firstFilled = 0) {
    using Field = typename gxdb_detail::MemberOf<decltype(Member)>::Field;
    using Element = std::remove_extent_t<Field>;
    return GxDBColumn{name, gxdb_detail::TypeCode<Element>(), s32(std::extent_v<Field>), firstFilled,
                      &gxdb_detail::FieldOf<Member>};
}
