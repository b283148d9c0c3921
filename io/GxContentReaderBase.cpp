#include "io/GxContentReaderBase.h"

#include "base/GxLog.h"

// The string reads return their text alone; whether it was read is told by
// the error count, which every failure raises.
bool GxContentReaderBase::Read(const char* name, GxString* v) {
    const u32 before = GetErrorCount();
    *v = ReadWString(name);
    return GetErrorCount() == before;
}

bool GxContentReaderBase::Read(const char* name, GxStringA* v) {
    const u32 before = GetErrorCount();
    *v = ReadString(name);
    return GetErrorCount() == before;
}

namespace {
// The default stands in the destination before the read, so a failed read
// returns it, or what the read managed to store before it failed.
template <class T>
T ReadOr(GxContentReaderBase& r, const char* name, T def) {
    T v = def;
    r.Read(name, &v);
    return v;
}
} // namespace

s8 GxContentReaderBase::ReadS8(const char* n) { return ReadOr<s8>(*this, n, 0); }
u8 GxContentReaderBase::ReadU8(const char* n) { return ReadOr<u8>(*this, n, 0); }
s16 GxContentReaderBase::ReadS16(const char* n) { return ReadOr<s16>(*this, n, 0); }
u16 GxContentReaderBase::ReadU16(const char* n) { return ReadOr<u16>(*this, n, 0); }
s32 GxContentReaderBase::ReadS32(const char* n) { return ReadOr<s32>(*this, n, 0); }
u32 GxContentReaderBase::ReadU32(const char* n) { return ReadOr<u32>(*this, n, 0); }
s64 GxContentReaderBase::ReadS64(const char* n) { return ReadOr<s64>(*this, n, 0); }
u64 GxContentReaderBase::ReadU64(const char* n) { return ReadOr<u64>(*this, n, 0); }
f32 GxContentReaderBase::ReadF32(const char* n) { return ReadOr<f32>(*this, n, 0.0f); }
f64 GxContentReaderBase::ReadF64(const char* n) { return ReadOr<f64>(*this, n, 0.0); }
bool GxContentReaderBase::ReadBool(const char* n) { return ReadOr<bool>(*this, n, false); }
GxVector2 GxContentReaderBase::ReadVector2(const char* n) { return ReadOr(*this, n, GxVector2{}); }
GxVector3 GxContentReaderBase::ReadVector3(const char* n) { return ReadOr(*this, n, GxVector3{}); }
GxVector4 GxContentReaderBase::ReadVector4(const char* n) { return ReadOr(*this, n, GxVector4{}); }
GxQuat GxContentReaderBase::ReadQuat(const char* n) { return ReadOr(*this, n, GxQuat{0, 0, 0, 1}); }
GxFColor GxContentReaderBase::ReadFColor(const char* n) { return ReadOr(*this, n, GxFColor{1, 1, 1, 1}); }
GxMatrix GxContentReaderBase::ReadMatrix(const char* n) { return ReadOr(*this, n, GxMatrix{}); }
GxRect GxContentReaderBase::ReadRect(const char* n) { return ReadOr(*this, n, GxRect{}); }
GxFRect GxContentReaderBase::ReadFRect(const char* n) { return ReadOr(*this, n, GxFRect{}); }
GxPoint2 GxContentReaderBase::ReadPoint2(const char* n) { return ReadOr(*this, n, GxPoint2{}); }
GxPoint3 GxContentReaderBase::ReadPoint3(const char* n) { return ReadOr(*this, n, GxPoint3{}); }
GxPoint4 GxContentReaderBase::ReadPoint4(const char* n) { return ReadOr(*this, n, GxPoint4{}); }
GxBit32 GxContentReaderBase::ReadBit32(const char* n) { return ReadOr(*this, n, GxBit32{}); }

void GxContentReaderBase::SetSourceName(GxStringView name) {
    m_SourceName.assign(name);
    m_Complained = false;
}

void GxContentReaderBase::Complain(bool verbose, GxString line) {
    ++m_ErrorCount;
    if (!verbose || m_Complained) return;
    m_Complained = true;
    GxWriteErrorLogTextA(WithSourceName(std::move(line)));
}

void GxContentReaderBase::ComplainAbout(GxString line) {
    ++m_ErrorCount;
    if (m_Complained) return;
    m_Complained = true;
    GxWriteLogText(GxLogKind::Error, WithSourceName(std::move(line)));
}

GxString GxContentReaderBase::WithSourceName(GxString line) const {
    if (!m_SourceName.empty()) {
        const size_t end = !line.empty() && line.back() == u'\n' ? line.size() - 1 : line.size();
        line.insert(end, u" (" + m_SourceName + u")");
    }
    return line;
}
