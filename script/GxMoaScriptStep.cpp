#include "script/GxMoaScriptStep.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaStreamUtil.h"

bool GxMoaScriptStep::Write(GxContentWriterBase& writer) const {
    const bool ok = GxMoaWriteRecords(writer, "m_Tokens", m_Tokens);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaScriptStep::Read(GxContentReaderBase& reader) {
    m_Tokens.clear();
    if (!GxMoaReadRecords(reader, "m_Tokens", u"GxMoaScriptStep::Read", kGxMoaTokenBytes, &m_Tokens)) return false;
    return reader.GetErrorCount() == 0;
}
