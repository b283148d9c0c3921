#include "script/GxMoaScriptPos.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaScriptPos::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Line", m_Line);
    ok &= writer.Write("m_Pos", m_Pos);
    ok &= writer.Write("m_ScriptName", m_ScriptName);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaScriptPos::Read(GxContentReaderBase& reader) {
    m_pEntity = nullptr;
    m_ScriptName.clear();
    m_Line = 0;
    m_Pos = -1;
    reader.Read("m_Line", &m_Line);
    reader.Read("m_Pos", &m_Pos);
    m_ScriptName = reader.ReadWString("m_ScriptName");
    return reader.GetErrorCount() == 0;
}
