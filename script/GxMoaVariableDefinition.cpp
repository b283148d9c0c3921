#include "script/GxMoaVariableDefinition.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaVariableDefinition::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Name", m_Name);
    ok &= writer.Write("m_ArraySize", m_ArraySize);
    ok &= writer.Write("m_Scope", m_Scope);
    ok &= m_InitValue.Write(writer);
    ok &= writer.Write("m_ScriptName", m_ScriptName);
    ok &= writer.Write("m_Line", m_Line);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaVariableDefinition::Read(GxContentReaderBase& reader) {
    m_Name = reader.ReadWString("m_Name");
    reader.Read("m_ArraySize", &m_ArraySize);
    reader.Read("m_Scope", &m_Scope);
    if (m_ArraySize > kGxMoaMaxArrayElements) {
        reader.ComplainAbout(GxFormat(u"GxMoaVariableDefinition::Read/配列の大きさが不正です(%s:%d)\n", m_Name, m_ArraySize));
        m_ArraySize = -1;
        return false;
    }
    if (!m_InitValue.Read(reader)) return false;
    m_ScriptName = reader.ReadWString("m_ScriptName");
    reader.Read("m_Line", &m_Line);
    return reader.GetErrorCount() == 0;
}
