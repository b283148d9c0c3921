#pragma once
// One call frame of a worker: where it runs, its LOCAL variables, and the
// opcodes of the statement being run with the index of the next one.
#include "script/GxMoaSharedOpcodeList.h"
#include "script/GxMoaScriptPos.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaVariableTable.h"

#include <vector>

class GxMoaWorker;

class GxMoaExecStackElement {
public:
    // Block types: 1 is a call frame, the only kind a worker pushes; 3 to 8
    // are inner blocks that jumps and returns unwind.
    enum : s32 { kBlockNone = 0, kBlockCall = 1, kBlockInnerFirst = 3, kBlockInnerLast = 8 };

    GxMoaExecStackElement() = default;
    virtual ~GxMoaExecStackElement() = default;
    GxMoaExecStackElement(const GxMoaExecStackElement&) = default;
    GxMoaExecStackElement& operator=(const GxMoaExecStackElement&) = default;
    GxMoaExecStackElement(GxMoaExecStackElement&&) = default;
    GxMoaExecStackElement& operator=(GxMoaExecStackElement&&) = default;

    // Block type, position, locals (all of them), "m_OpcodeList",
    // "m_OpcodePos".
    virtual bool Write(GxContentWriterBase& writer) const;
    // The worker serves to find the frame's script entity again.
    virtual bool Read(GxContentReaderBase& reader, GxMoaWorker* worker);

    void ResetOpcodes() {
        m_OpcodeList.clear();
        m_OpcodePos = 0;
    }
    bool IsInnerBlock() const { return m_BlockType >= kBlockInnerFirst && m_BlockType <= kBlockInnerLast; }

    s32 m_BlockType = kBlockNone;
    GxMoaScriptPos m_ScriptPos;
    GxMoaVariableTable m_LocalTable;
    GxMoaSharedOpcodeList m_OpcodeList;
    s32 m_OpcodePos = 0;
};

using GxMoaExecStack = std::vector<GxMoaExecStackElement>;
