#pragma once
// Point and spot lights, 256 of each, with their counts; stored in content
// streams as two counts and two lists.
#include "graphics/GxLight.h"

class GxLightTable {
public:
    static constexpr s32 kMaxLights = 256;

    virtual ~GxLightTable() = default;
    // A count outside 0 to 256 is limited to that range and logged as an
    // error; the result is then false.
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    GxLight m_PointLights[kMaxLights];
    GxLight m_SpotLights[kMaxLights];
    s32 m_PointLightCount = 0;
    s32 m_SpotLightCount = 0;
};
