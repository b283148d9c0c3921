#pragma once
// The process-wide camera record with its perspective defaults: 40° field of
// view, near plane 10, far plane 10000, aspect 4:3. The 2-D drawing reads
// none of it.
#include "base/GxMatrix.h"

struct GxCamera {
    f32 m_Values[16] = {};
    GxVector3 m_Position;
    f32 m_PositionW = 1.0f;
    f32 m_FieldOfView = 40.0f;  // degrees
    f32 m_NearPlane = 10.0f;
    f32 m_FarPlane = 10000.0f;
    f32 m_AspectRatio = 1.3333334f;
    f32 m_Distance = 200.0f;
    f32 m_Extra[2] = {};
    GxMatrix m_View;
    GxMatrix m_Projection;
    GxMatrix m_ViewProjection;
    f32 m_Work[30] = {};
    u32 m_Flags = 0;
};

GxCamera& GxGetCamera();
