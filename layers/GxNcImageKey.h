#pragma once
// A key of a layer's image track: the image-set pattern the layer shows, or
// the nested motion it plays. The resolved pointers are filled after loading
// and point into the image-set factory's sets and the same project.
#include "base/GxTypes.h"

class GxNcOriginImage;
class GxNcMotion;

struct GxNcImageKey {
    s32 m_Time = 0;
    GxString m_ImageSetName;
    GxString m_ImageFileName;
    GxString m_MotionGroupName;
    GxString m_MotionName;
    s32 m_PatternIndex = 0;
    s32 m_Width = 0;
    s32 m_Height = 0;
    const GxNcOriginImage* m_pOriginImage = nullptr;
    const GxNcMotion* m_pMotion = nullptr;
    s32 m_OffsetFrame = 0;
    u32 m_LoopMode = 1;  // non-zero: the nested motion loops
    u32 m_InterMode = 0;
    f32 m_InterParam0 = 0;
    f32 m_InterParam1 = 0;
    u32 m_Selected = 0;
};
