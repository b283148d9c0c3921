#include "script/GxMoaVariableSet.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaVariableSet::Write(GxContentWriterBase& writer) const {
    bool ok = m_Value.Write(writer);
    ok &= writer.Write("m_Scope", s32(m_Scope));
    ok &= writer.Write("m_Name", m_Name);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaVariableSet::Read(GxContentReaderBase& reader) {
    if (!m_Value.Read(reader)) return false;
    s32 scope = 0;
    if (!reader.Read("m_Scope", &scope)) return false;
    m_Scope = u32(scope);
    m_Name = reader.ReadWString("m_Name");
    return reader.GetErrorCount() == 0;
}
