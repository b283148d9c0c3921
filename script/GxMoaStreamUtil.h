#pragma once
// The lists that stored scripts and saves are made of, and checks on the
// counts they carry: a count is only believed when it is not negative and the
// bytes left could hold that many records; otherwise the read stops with a
// logged error instead of a huge allocation or a long run of failing reads.
#include "base/GxTypes.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaLabelDefinition.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

// Reads a list's begin and checks its count against records of at least
// elementBytes each (GxContentMinReadBytes). who names the caller in the
// reader's one line.
bool GxMoaReadListBegin(GxContentReaderBase& reader, const char* name, u32* count, const GxChar* who,
                        u32 elementBytes);
// Reads a signed 32-bit count and checks it; a negative count is refused.
bool GxMoaReadCount(GxContentReaderBase& reader, const char* name, s32* count, const GxChar* who);
// Whether a count of records of at least elementBytes may follow in the
// bytes that remain.
bool GxMoaCountFits(const GxContentReaderBase& reader, u64 count, u32 elementBytes);

// A list of records: its begin with the count, each record by writeOne, its
// end. A failed record does not stop the list, so that the stored form keeps
// the shape its count announces.
template <class List, class WriteOne>
bool GxMoaWriteList(GxContentWriterBase& writer, const char* name, const List& list, WriteOne writeOne) {
    bool ok = writer.WriteListBegin(name, "", u32(list.size()));
    for (const auto& record : list) ok &= writeOne(record);
    ok &= writer.WriteListEnd();
    return ok;
}

template <class T>
bool GxMoaWriteRecords(GxContentWriterBase& writer, const char* name, const std::vector<T>& list) {
    return GxMoaWriteList(writer, name, list, [&](const T& record) { return record.Write(writer); });
}

// Reads a list whose records readOne reads and keeps. The list stops at its
// first damaged record: everything after it would be read out of step.
template <class ReadOne>
bool GxMoaReadList(GxContentReaderBase& reader, const char* name, const GxChar* who, u32 elementBytes,
                   ReadOne readOne) {
    u32 count = 0;
    if (!GxMoaReadListBegin(reader, name, &count, who, elementBytes)) return false;
    for (u32 i = 0; i < count; ++i)
        if (!readOne()) return false;
    reader.ReadListEnd();
    return true;
}

// Appends the records of a list to out, each read by its own Read and taking
// at least elementBytes.
template <class T>
bool GxMoaReadRecords(GxContentReaderBase& reader, const char* name, const GxChar* who, u32 elementBytes,
                      std::vector<T>* out) {
    return GxMoaReadList(reader, name, who, elementBytes, [&] {
        T record;
        if (!record.Read(reader)) return false;
        out->push_back(std::move(record));
        return true;
    });
}

// The least bytes of the records a bundle holds (their values in order).
inline constexpr u32 kGxMoaTokenBytes = GxContentMinReadBytes(kGxValBit32, kGxValU32);
inline constexpr u32 kGxMoaLineBytes = GxContentMinReadBytes(kGxValListBegin, kGxValListEnd);
inline constexpr u32 kGxMoaDefinitionBytes =
    GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValStringUTF8, kGxValS32);
inline constexpr u32 kGxMoaBuiltinBytes = GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValS32);
inline constexpr u32 kGxMoaScriptBytes = GxContentMinReadBytes(kGxValStringUTF8) + 3 * kGxMoaLineBytes;

// The labels of a bundle and of each of its scripts, stored as the list
// "m_pLabelDefine".
using GxMoaLabelMap = std::map<GxString, std::unique_ptr<GxMoaLabelDefinition>, std::less<>>;
bool GxMoaWriteLabels(GxContentWriterBase& writer, const GxMoaLabelMap& labels);
bool GxMoaReadLabels(GxContentReaderBase& reader, const GxChar* who, GxMoaLabelMap* labels);
