#pragma once
// A place in a script: a 0-based line index and a 0-based token index in it.
#include "base/GxTypes.h"

class GxContentWriterBase;
class GxContentReaderBase;

class GxMoaRunPos {
public:
    GxMoaRunPos() = default;
    GxMoaRunPos(s32 line, s32 pos) : m_Line(line), m_Pos(pos) {}
    virtual ~GxMoaRunPos() = default;
    GxMoaRunPos(const GxMoaRunPos&) = default;
    GxMoaRunPos& operator=(const GxMoaRunPos&) = default;

    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    bool operator==(const GxMoaRunPos& o) const { return m_Line == o.m_Line && m_Pos == o.m_Pos; }

    s32 m_Line = 0;
    s32 m_Pos = -1;
};
