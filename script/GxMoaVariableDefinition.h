#pragma once
// A declared variable: name, array size (-1 for none), scope code, initial
// value, and where it was declared.
#include "script/GxMoaVariable.h"

class GxMoaVariableDefinition {
public:
    GxMoaVariableDefinition() = default;
    virtual ~GxMoaVariableDefinition() = default;
    GxMoaVariableDefinition(const GxMoaVariableDefinition&) = default;
    GxMoaVariableDefinition& operator=(const GxMoaVariableDefinition&) = default;
    GxMoaVariableDefinition(GxMoaVariableDefinition&&) noexcept = default;
    GxMoaVariableDefinition& operator=(GxMoaVariableDefinition&&) noexcept = default;

    virtual bool Write(GxContentWriterBase& writer) const;
    // Refuses an array size above the array limit: such a definition would
    // make every worker allocate it.
    virtual bool Read(GxContentReaderBase& reader);

    GxString m_Name;
    s32 m_ArraySize = -1;
    s32 m_Scope = 0;
    GxMoaVariable m_InitValue;
    GxString m_ScriptName;
    s32 m_Line = 0;
};
