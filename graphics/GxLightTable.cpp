#include "graphics/GxLightTable.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

#include <algorithm>

namespace {

// The table's counts index fixed arrays: a count outside them is limited and
// reported.
bool LimitCount(s32& count, const GxChar* operation, const GxChar* which) {
    if (count >= 0 && count <= GxLightTable::kMaxLights) return true;
    GxWriteErrorLog(u"Error/GxLightTable %s Failed(%s:%d Max:%d)\n", operation, which, count, GxLightTable::kMaxLights);
    count = std::clamp<s32>(count, 0, GxLightTable::kMaxLights);
    return false;
}

} // namespace

bool GxLightTable::Write(GxContentWriterBase& writer) const {
    s32 points = m_PointLightCount, spots = m_SpotLightCount;
    bool ok = LimitCount(points, u"Write", u"PointLightCount");
    ok &= LimitCount(spots, u"Write", u"SpotLightCount");
    ok &= writer.Write("m_PointLightCount", points);
    ok &= writer.Write("m_SpotLightCount", spots);
    ok &= writer.WriteListBegin("m_PointLights", "", u32(points));
    for (s32 i = 0; i < points; ++i) ok &= m_PointLights[i].Write(writer);
    ok &= writer.WriteListEnd();
    ok &= writer.WriteListBegin("m_SpotLights", "", u32(spots));
    for (s32 i = 0; i < spots; ++i) ok &= m_SpotLights[i].Write(writer);
    ok &= writer.WriteListEnd();
    return ok && writer.GetErrorCount() == 0;
}

bool GxLightTable::Read(GxContentReaderBase& reader) {
    m_PointLightCount = 0;
    m_SpotLightCount = 0;
    reader.Read("m_PointLightCount", &m_PointLightCount);
    reader.Read("m_SpotLightCount", &m_SpotLightCount);
    bool ok = LimitCount(m_PointLightCount, u"Read", u"PointLightCount");
    ok &= LimitCount(m_SpotLightCount, u"Read", u"SpotLightCount");
    u32 listed = 0;
    reader.ReadListBegin("m_PointLights", &listed);
    for (s32 i = 0; i < m_PointLightCount; ++i) ok &= m_PointLights[i].Read(reader);
    reader.ReadListEnd();
    reader.ReadListBegin("m_SpotLights", &listed);
    for (s32 i = 0; i < m_SpotLightCount; ++i) ok &= m_SpotLights[i].Read(reader);
    reader.ReadListEnd();
    return ok && reader.GetErrorCount() == 0;
}
