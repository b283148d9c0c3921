#pragma once
// The object graph of the golden content files (tests/golden/io/values.*):
// written through any writer, checked through any reader.
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "platform/system/file_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace iotest {

inline GxMatrix GoldenMatrix() {
    GxMatrix m;
    m.SetTranslation(10, 20, 30);
    return m;
}

inline std::vector<u8> GoldenData() {
    std::vector<u8> d(33);
    for (int i = 0; i < 33; ++i) d[size_t(i)] = u8(i);
    return d;
}

inline const GxChar* GoldenText() { return u"a\"b\n日本\t\\'"; }

inline void WriteGoldenValues(GxContentWriterBase& w) {
    EXPECT_TRUE(w.Write("m_S8", s8(-2)));
    EXPECT_TRUE(w.Write("m_U8", u8(200)));
    EXPECT_TRUE(w.Write("m_S16", s16(-2)));
    EXPECT_TRUE(w.Write("m_U16", u16(4660)));
    EXPECT_TRUE(w.Write("m_S32", s32(-123456)));
    EXPECT_TRUE(w.Write("m_U32", u32(3735928559u)));
    EXPECT_TRUE(w.Write("m_S64", s64(-5000000000)));
    EXPECT_TRUE(w.Write("m_U64", u64(0x0102030405060708ull)));
    EXPECT_TRUE(w.Write("m_F32", 0.5f));
    EXPECT_TRUE(w.Write("m_F64", -2.25));
    EXPECT_TRUE(w.Write("m_Bool", true));
    EXPECT_TRUE(w.Write("m_Vec2", GxVector2(1.5f, -2)));
    EXPECT_TRUE(w.Write("m_Vec3", GxVector3(1, 2, 3)));
    EXPECT_TRUE(w.Write("m_Vec4", GxVector4(0.25f, 0.5f, 0.75f, 1)));
    EXPECT_TRUE(w.Write("m_Quat", GxQuat{0, 0, 0, 1}));
    EXPECT_TRUE(w.Write("m_Color", GxFColor(1, 0.5f, 0.25f, 1)));
    EXPECT_TRUE(w.Write("m_Matrix", GoldenMatrix()));
    EXPECT_TRUE(w.Write("m_Rect", GxRect{-1, 2, 300, 400}));
    EXPECT_TRUE(w.Write("m_FRect", GxFRect{0.5f, 1.5f, 2.5f, 3.5f}));
    EXPECT_TRUE(w.Write("m_Flags", GxBit32{0x80000001u}));
    EXPECT_TRUE(w.Write("m_Name", GxString(u"abc")));
    EXPECT_TRUE(w.Write("m_Text", GoldenText()));
    const auto data = GoldenData();
    EXPECT_TRUE(w.WriteBinary("m_Data", data.data(), u32(data.size())));
    EXPECT_TRUE(w.WriteBinary("m_Empty", nullptr, 0));
    EXPECT_TRUE(w.WriteListBegin("m_List", "Item", 2));
    for (s32 i = 1; i <= 2; ++i) {
        EXPECT_TRUE(w.WriteListElementBegin());
        EXPECT_TRUE(w.Write("m_Item", i));
        EXPECT_TRUE(w.WriteListElementEnd());
    }
    EXPECT_TRUE(w.WriteListEnd());
    EXPECT_TRUE(w.WriteTreeBegin("m_Tree", "Node"));
    EXPECT_TRUE(w.WriteTreeStratumBegin());
    EXPECT_TRUE(w.Write("m_Id", s32(7)));
    EXPECT_TRUE(w.WriteTreeStratumBegin());
    EXPECT_TRUE(w.Write("m_Id", s32(8)));
    EXPECT_TRUE(w.WriteTreeStratumEnd());
    EXPECT_TRUE(w.WriteTreeStratumEnd());
    EXPECT_TRUE(w.WriteTreeEnd());
    EXPECT_TRUE(w.Write("m_P2", GxPoint2{1, -1}));
    EXPECT_TRUE(w.Write("m_P3", GxPoint3{1, 2, 3}));
    EXPECT_TRUE(w.Write("m_P4", GxPoint4{4, 5, 6, 7}));
}

// Reads the graph back; the end code is 255 for the binary forms, 0 for text.
inline void CheckGoldenValues(GxContentReaderBase& r, u32 endCode) {
    EXPECT_EQ(r.ReadS8("m_S8"), -2);
    EXPECT_EQ(r.ReadU8("m_U8"), 200);
    EXPECT_EQ(r.ReadS16("m_S16"), -2);
    EXPECT_EQ(r.ReadU16("m_U16"), 4660);
    EXPECT_EQ(r.ReadS32("m_S32"), -123456);
    EXPECT_EQ(r.ReadU32("m_U32"), 3735928559u);
    EXPECT_EQ(r.ReadS64("m_S64"), -5000000000);
    EXPECT_EQ(r.ReadU64("m_U64"), 0x0102030405060708ull);
    EXPECT_EQ(r.ReadF32("m_F32"), 0.5f);
    EXPECT_EQ(r.ReadF64("m_F64"), -2.25);
    EXPECT_TRUE(r.ReadBool("m_Bool"));
    EXPECT_TRUE(r.ReadVector2("m_Vec2") == GxVector2(1.5f, -2));
    EXPECT_TRUE(r.ReadVector3("m_Vec3") == GxVector3(1, 2, 3));
    const GxVector4 v4 = r.ReadVector4("m_Vec4");
    EXPECT_EQ(v4.x, 0.25f);
    EXPECT_EQ(v4.w, 1.0f);
    const GxQuat q = r.ReadQuat("m_Quat");
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_TRUE(r.ReadFColor("m_Color") == GxFColor(1, 0.5f, 0.25f, 1));
    EXPECT_TRUE(r.ReadMatrix("m_Matrix") == GoldenMatrix());
    const GxRect rc = r.ReadRect("m_Rect");
    EXPECT_EQ(rc.left, -1);
    EXPECT_EQ(rc.bottom, 400);
    const GxFRect fr = r.ReadFRect("m_FRect");
    EXPECT_EQ(fr.top, 1.5f);
    EXPECT_EQ(fr.bottom, 3.5f);
    EXPECT_EQ(r.ReadBit32("m_Flags").m_Bits, 0x80000001u);
    GxString name;
    EXPECT_TRUE(r.Read("m_Name", &name));
    EXPECT_EQ(name, u"abc");
    EXPECT_EQ(r.ReadWString("m_Text"), GoldenText());
    GxBinBuffer data;
    EXPECT_TRUE(r.ReadBinary("m_Data", &data));
    ASSERT_EQ(data.GetSize(), 33u);
    EXPECT_EQ(std::vector<u8>(data.GetData(), data.GetData() + 33), GoldenData());
    GxBinBuffer empty;
    EXPECT_TRUE(r.ReadBinary("m_Empty", &empty));
    EXPECT_EQ(empty.GetSize(), 0u);
    u32 count = 0;
    EXPECT_TRUE(r.ReadListBegin("m_List", &count));
    EXPECT_EQ(count, 2u);
    for (s32 i = 1; i <= 2; ++i) {
        EXPECT_TRUE(r.ReadListElementBegin());
        EXPECT_EQ(r.ReadS32("m_Item"), i);
        EXPECT_TRUE(r.ReadListElementEnd());
    }
    EXPECT_TRUE(r.ReadListEnd());
    EXPECT_TRUE(r.ReadTreeBegin("m_Tree"));
    EXPECT_EQ(r.PeekValueType(), u32(kGxValTreeStratumBegin));
    EXPECT_TRUE(r.ReadTreeStratumBegin());
    EXPECT_EQ(r.ReadS32("m_Id"), 7);
    EXPECT_EQ(r.PeekValueType(), u32(kGxValTreeStratumBegin)) << "a child node follows";
    EXPECT_TRUE(r.ReadTreeStratumBegin());
    EXPECT_EQ(r.ReadS32("m_Id"), 8);
    EXPECT_TRUE(r.ReadTreeStratumEnd());
    EXPECT_TRUE(r.ReadTreeStratumEnd());
    EXPECT_TRUE(r.ReadTreeEnd());
    const GxPoint2 p2 = r.ReadPoint2("m_P2");
    EXPECT_EQ(p2.y, -1);
    const GxPoint3 p3 = r.ReadPoint3("m_P3");
    EXPECT_EQ(p3.z, 3);
    const GxPoint4 p4 = r.ReadPoint4("m_P4");
    EXPECT_EQ(p4.x, 4);
    EXPECT_EQ(p4.w, 7);
    EXPECT_TRUE(r.IsEnd());
    EXPECT_EQ(r.PeekValueType(), endCode);
    EXPECT_EQ(r.GetErrorCount(), 0u);
}

// Runs fn on a writer over a memory stream and returns the bytes written.
template <class Writer, class Fn>
std::vector<u8> WriteToMemory(Fn fn) {
    psys::memory_stream memory;
    {
        Writer w(memory.stream());
        fn(w);
    }
    return memory.bytes();
}

} // namespace iotest
