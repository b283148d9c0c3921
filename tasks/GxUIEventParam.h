#pragma once
// The record a widget sends to its listener or scene. Built on the sender's
// stack; a receiver that queues it keeps a copy.
#include "base/GxVector.h"

class GxTaskBase;

// Event types, 1 to 26; the ones widgets and scenes raise have names.
constexpr s32 UIEVENT_DECIDE = 1;
constexpr s32 UIEVENT_CANCEL = 2;
constexpr s32 UIEVENT_RELEASE = 4;
constexpr s32 UIEVENT_POINTER_ENTER = 7;
constexpr s32 UIEVENT_POINTER_LEAVE = 8;
constexpr s32 UIEVENT_SELECT = 15;
constexpr s32 UIEVENT_VALUE_CHANGE = 16;
constexpr s32 UIEVENT_ACTION_END = 25;
constexpr s32 kGxUIEventTypeMax = 26;

struct GxUIEventParam {
    GxTaskBase* m_Source = nullptr;
    s32 m_Type = 0;
    s32 m_Param = 0;
    s32 m_Reserved = 0;
    GxVector4 m_Vector0;  // pointer events: the pointer position (x, y, 0, 0)
    GxVector4 m_Vector1;  // pointer events: the sender's world position
    GxVector4 m_Vector2;
    u32 m_Word = 0;
    u8 m_Flag = 0;

    GxUIEventParam() = default;
    GxUIEventParam(s32 type, GxTaskBase* source, s32 param = 0) : m_Source(source), m_Type(type), m_Param(param) {}
};
