#pragma once
// A label: a place to jump to. Names that begin with '@' are local to their
// script; all others are global.
#include "script/GxMoaScriptPos.h"

class GxMoaLabelDefinition {
public:
    GxMoaLabelDefinition() = default;
    GxMoaLabelDefinition(GxStringView name, s32 line, s32 pos, GxStringView scriptName)
        : m_Name(name), m_Pos(line, pos, scriptName) {}
    virtual ~GxMoaLabelDefinition() = default;
    GxMoaLabelDefinition(const GxMoaLabelDefinition&) = default;
    GxMoaLabelDefinition& operator=(const GxMoaLabelDefinition&) = default;

    // "m_Name", the position record, "m_Scope".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    bool IsLocal() const { return !m_Name.empty() && m_Name[0] == u'@'; }

    GxString m_Name;
    GxMoaScriptPos m_Pos;
    s32 m_Scope = 0;
};
