#include "script/GxMoaRunPos.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

bool GxMoaRunPos::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Line", m_Line);
    ok &= writer.Write("m_Pos", m_Pos);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaRunPos::Read(GxContentReaderBase& reader) {
    reader.Read("m_Line", &m_Line);
    reader.Read("m_Pos", &m_Pos);
    return reader.GetErrorCount() == 0;
}
