#include "script/GxMoaExecStackElement.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaStreamUtil.h"
#include "script/GxMoaWorker.h"

bool GxMoaExecStackElement::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_BlockType", m_BlockType);
    ok &= m_ScriptPos.Write(writer);
    ok &= m_LocalTable.WriteVariables(writer, kGxStorageAll);
    ok &= GxMoaWriteList(writer, "m_OpcodeList", m_OpcodeList,
                         [&](const GxMoaVariable& entry) { return entry.Write(writer); });
    ok &= writer.Write("m_OpcodePos", m_OpcodePos);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaExecStackElement::Read(GxContentReaderBase& reader, GxMoaWorker* worker) {
    m_BlockType = reader.ReadS32("m_BlockType");
    m_ScriptPos.Read(reader);
    m_ScriptPos.m_pEntity = worker ? worker->FindEntity(m_ScriptPos.m_ScriptName) : nullptr;
    m_LocalTable.Clear();
    if (!m_LocalTable.ReadVariables(reader, kGxStorageAll)) return false;
    ResetOpcodes();
    GxMoaSharedOpcodeList::Items opcodes;
    if (!GxMoaReadRecords(reader, "m_OpcodeList", u"GxMoaExecStackElement::Read", 1, &opcodes)) return false;
    m_OpcodeList = GxMoaSharedOpcodeList(std::move(opcodes));
    m_OpcodePos = reader.ReadS32("m_OpcodePos");
    return reader.GetErrorCount() == 0;
}
