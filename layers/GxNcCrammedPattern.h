#pragma once
// One pattern of an origin image (a frame of a button, say): its frame in
// the origin image, and where its kept, trimmed part lies in which atlas
// image.
#include "base/GxVector.h"

class GxNcCrammedImage;

struct GxNcCrammedPattern {
    s32 m_Left = 0;
    s32 m_Top = 0;
    s32 m_Width = 0;
    s32 m_Height = 0;
    s32 m_CrammedImageIndex = -1;  // -1: in no atlas image
    s32 m_CrammedOffsetLeft = 0;   // where the kept part starts in the frame
    s32 m_CrammedOffsetTop = 0;
    s32 m_CrammedLeft = 0;  // the kept part in the atlas image, in pixels
    s32 m_CrammedTop = 0;
    s32 m_CrammedWidth = 0;
    s32 m_CrammedHeight = 0;
    f32 m_CenterPosX = 0;
    f32 m_CenterPosY = 0;
    GxFRect m_CrammedRawUV;  // zero when the file has none
    u32 m_NoCutoffFlag = 0;
    u32 m_Selected = 0;
    // Set after reading; null when the index names no atlas image.
    GxNcCrammedImage* m_pCrammedImage = nullptr;
};
