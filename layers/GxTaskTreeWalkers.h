#pragma once
// Acting on every layer or actor below a task at once, for scenes and script
// commands: clear layers, start or finish their transitions, finish actor
// actions, and ask whether any transition or action still runs. Walks visit
// each task's children before the task itself. The tasks are collected
// before anything is done to them, and each is acted on only while it is
// still in the tree, so an action that removes another task (a movie closed
// by a clear, say) is survived.
#include "base/GxTypes.h"

class GxTaskBase;

// ClearContent on the layers of the chain and their subtrees whose layer
// type matches (0: any).
void GxClearLayerList(GxTaskBase* first, s32 layerType);
// The list walk over the task's children (any type), then the task itself.
void GxClearLayerTree(GxTaskBase* task);
void GxStartLayerTransitList(GxTaskBase* first, s32 time, s32 layerType);
void GxFinishLayerTransitTree(GxTaskBase* task);
void GxFinishActorActionsTree(GxTaskBase* task);
bool GxIsLayerTransitTree(GxTaskBase* task);
// Whether any actor still has an action in either channel.
bool GxIsActorActionTree(GxTaskBase* task);
