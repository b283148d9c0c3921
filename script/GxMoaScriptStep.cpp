#include "script/GxMoaScriptStep.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaStreamUtil.h"

bool GxMoaScriptStep::Write(GxContentWriterBase& writer) const {
    bool ok = writer.WriteListBegin("m_Tokens", "", u32(m_Tokens.size()));
    for (const auto& t : m_Tokens) ok &= t.Write(writer);
    ok &= writer.WriteListEnd();
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaScriptStep::Read(GxContentReaderBase& reader) {
    m_Tokens.clear();
    u32 count = 0;
    if (!GxMoaReadListBegin(reader, "m_Tokens", &count, u"GxMoaScriptStep::Read")) return false;
    for (u32 i = 0; i < count; ++i) {
        GxMoaToken token;
        if (!token.Read(reader)) return false;
        m_Tokens.push_back(std::move(token));
    }
    reader.ReadListEnd();
    return reader.GetErrorCount() == 0;
}
