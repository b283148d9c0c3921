#pragma once
// One queued timed action of an actor: what it does (GxActionType), how long
// it runs and has left, the start value captured on its first step, its
// target or parameters, and the shape of its progress curve.
#include "base/GxVector.h"

class GxContentWriterBase;
class GxContentReaderBase;

// What an action does; "at the end" effects apply in the step in which its
// time runs out.
enum GxActionType : s32 {
    kGxActionWait = 0,
    kGxActionAlpha = 1,
    kGxActionMove = 2,
    kGxActionScale = 3,
    kGxActionRotate = 4,
    kGxActionMoveBy = 5,
    kGxActionScaleBy = 6,
    kGxActionRotateBy = 7,
    kGxActionShow = 8,
    kGxActionHide = 9,
    kGxActionShake = 10,
    kGxActionSetAlpha = 11,
    kGxActionSetColor0 = 12,
    kGxActionSetColor1 = 13,
    kGxActionSetBlendMode = 14,
    kGxActionSystemSound = 15,
    kGxActionSuspend = 16,
    kGxActionSuspendChildren = 17,
    kGxActionKill = 18,
    kGxActionKillChildren = 19,
};

class GxActionParam {
public:
    GxActionParam() = default;
    virtual ~GxActionParam() = default;
    // Copies keep x, y, z of both vectors; their fourth float becomes 0.
    GxActionParam(const GxActionParam& o);
    GxActionParam& operator=(const GxActionParam& o);

    // True when the stream reports no error.
    virtual bool Write(GxContentWriterBase* writer);
    virtual bool Read(GxContentReaderBase* reader);

    s32 m_ActionType = 0;
    s32 m_TimeLeft = 0;
    s32 m_TimeTotal = 0;
    GxVector3 m_Start;
    GxVector3 m_End;
    u32 m_InterMode = 1;
    s32 m_InterParam = 0;
    bool m_InitCompleted = false;
};
