#include "script/GxMoaBuiltinDefinition.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaBuiltinDefinition::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Name", m_Name);
    ok &= writer.Write("m_BuiltinIndex", m_BuiltinIndex);
    ok &= writer.Write("m_RelatedIndex", m_RelatedIndex);
    ok &= writer.Write("m_BuiltinType", m_BuiltinType);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaBuiltinDefinition::Read(GxContentReaderBase& reader) {
    m_Name = reader.ReadWString("m_Name");
    reader.Read("m_BuiltinIndex", &m_BuiltinIndex);
    reader.Read("m_RelatedIndex", &m_RelatedIndex);
    reader.Read("m_BuiltinType", &m_BuiltinType);
    return reader.GetErrorCount() == 0;
}
