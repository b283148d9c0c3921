#include "layers/GxActorActions.h"

#include "layers/GxTaskActor.h"

namespace {

void Add(GxTaskActor* actor, int channel, s32 type, s32 time, const GxVector3& end, u32 interMode = 1) {
    if (!actor) return;
    GxActionParam a;
    a.m_ActionType = type;
    a.m_TimeLeft = a.m_TimeTotal = time;
    a.m_End = end;
    a.m_InterMode = interMode;
    actor->AddAction(channel, a);
}

} // namespace

void GxAddActionWait(int channel, s32 time, GxTaskActor* actor) {
    Add(actor, channel, kGxActionWait, time, GxVector3());
}

void GxAddActionFadeIn(int channel, s32 time, GxTaskActor* actor) {
    Add(actor, channel, kGxActionAlpha, time, GxVector3(255, 0, 0));
}

void GxAddActionFadeOut(int channel, s32 time, GxTaskActor* actor) {
    Add(actor, channel, kGxActionAlpha, time, GxVector3());
}

void GxAddActionMove(const f32 target[4], s32 time, GxTaskActor* actor, u32 interMode) {
    Add(actor, 0, kGxActionMove, time, GxVector3(target[0], target[1], target[2]), interMode);
}

void GxAddActionMoveBy(const f32 offset[4], GxTaskActor* actor) {
    Add(actor, 1, kGxActionMoveBy, 200, GxVector3(offset[0], offset[1], offset[2]));
}

void GxAddActionHide(GxTaskActor* actor) { Add(actor, 0, kGxActionHide, 0, GxVector3()); }

void GxAddActionSetColor(const f32 rgb[3], GxTaskActor* actor) {
    Add(actor, 0, kGxActionSetColor0, 0, GxVector3(rgb[0], rgb[1], rgb[2]));
}

void GxAddActionType16(GxTaskActor* actor) { Add(actor, 1, kGxActionSuspend, 150, GxVector3()); }

void GxAddActionType17(GxTaskActor* actor) { Add(actor, 1, kGxActionSuspendChildren, 150, GxVector3()); }
