#include "script/GxMoaLabelDefinition.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaLabelDefinition::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Name", m_Name);
    ok &= m_Pos.Write(writer);
    ok &= writer.Write("m_Scope", m_Scope);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaLabelDefinition::Read(GxContentReaderBase& reader) {
    m_Name = reader.ReadWString("m_Name");
    m_Pos.Read(reader);
    reader.Read("m_Scope", &m_Scope);
    return reader.GetErrorCount() == 0;
}
