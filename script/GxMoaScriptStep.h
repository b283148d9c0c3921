#pragma once
// One line of a compiled script: its tokens in order.
#include "script/GxMoaToken.h"

#include <vector>

class GxMoaScriptStep {
public:
    virtual ~GxMoaScriptStep() = default;
    GxMoaScriptStep() = default;
    GxMoaScriptStep(const GxMoaScriptStep&) = default;
    GxMoaScriptStep& operator=(const GxMoaScriptStep&) = default;
    GxMoaScriptStep(GxMoaScriptStep&&) noexcept = default;
    GxMoaScriptStep& operator=(GxMoaScriptStep&&) noexcept = default;

    // The list "m_Tokens".
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    std::vector<GxMoaToken> m_Tokens;
};
