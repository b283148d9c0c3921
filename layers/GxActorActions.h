#pragma once
// The builders scenes and script commands queue actor actions with: each
// appends one action to the back of a channel (0 or 1).
#include "base/GxTypes.h"

class GxTaskActor;

void GxAddActionWait(int channel, s32 time, GxTaskActor* actor);
void GxAddActionFadeIn(int channel, s32 time, GxTaskActor* actor);
void GxAddActionFadeOut(int channel, s32 time, GxTaskActor* actor);
// To the target position over the time, on channel 0, shaped by interMode.
void GxAddActionMove(const f32 target[4], s32 time, GxTaskActor* actor, u32 interMode);
// By the offset over 200 ms, on channel 1.
void GxAddActionMoveBy(const f32 offset[4], GxTaskActor* actor);
void GxAddActionHide(GxTaskActor* actor);
void GxAddActionSetColor(const f32 rgb[3], GxTaskActor* actor);
// Suspends the actor (16) or its children (17) after 150 ms, on channel 1.
void GxAddActionType16(GxTaskActor* actor);
void GxAddActionType17(GxTaskActor* actor);
