#pragma once
// A builtin name that the scripts use, with the numbers the compiler gave it.
#include "base/GxTypes.h"

class GxContentWriterBase;
class GxContentReaderBase;

class GxMoaBuiltinDefinition {
public:
    GxMoaBuiltinDefinition() = default;
    GxMoaBuiltinDefinition(GxStringView name, s32 index) : m_Name(name), m_BuiltinIndex(index) {}
    virtual ~GxMoaBuiltinDefinition() = default;
    GxMoaBuiltinDefinition(const GxMoaBuiltinDefinition&) = default;
    GxMoaBuiltinDefinition& operator=(const GxMoaBuiltinDefinition&) = default;

    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    GxString m_Name;
    s32 m_BuiltinIndex = -1;
    s32 m_RelatedIndex = -1;
    s32 m_BuiltinType = 1;
};
