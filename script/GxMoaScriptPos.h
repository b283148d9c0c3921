#pragma once
// A place in a named script, with the worker's entity of that script cached
// (never stored; looked up again by name when it is null).
#include "script/GxMoaRunPos.h"

class GxMoaScriptEntity;

class GxMoaScriptPos : public GxMoaRunPos {
public:
    GxMoaScriptPos() = default;
    GxMoaScriptPos(s32 line, s32 pos, GxStringView scriptName) : GxMoaRunPos(line, pos), m_ScriptName(scriptName) {}

    // "m_Line", "m_Pos", "m_ScriptName".
    bool Write(GxContentWriterBase& writer) const override;
    bool Read(GxContentReaderBase& reader) override;

    GxMoaScriptEntity* m_pEntity = nullptr;
    GxString m_ScriptName;
};
