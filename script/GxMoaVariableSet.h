#pragma once
// One named script variable: its value, its scope code and its name (without
// the '$' that dumps print before it).
#include "base/GxTypes.h"
#include "script/GxMoaVariable.h"

class GxMoaVariableSet {
public:
    GxMoaVariableSet() = default;
    GxMoaVariableSet(GxStringView name, u32 scope, const GxMoaVariable& value)
        : m_Value(value), m_Scope(scope), m_Name(name) {}
    virtual ~GxMoaVariableSet() = default;
    GxMoaVariableSet(const GxMoaVariableSet&) = default;
    GxMoaVariableSet& operator=(const GxMoaVariableSet&) = default;
    GxMoaVariableSet(GxMoaVariableSet&&) noexcept = default;
    GxMoaVariableSet& operator=(GxMoaVariableSet&&) noexcept = default;

    // The value's stored form, then "m_Scope" and "m_Name".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    GxMoaVariable m_Value;
    u32 m_Scope = 0;
    GxString m_Name;
};
