#pragma once
// The game's scenes as the start-up creates them: the menu scenes, made under
// the resident root task after the system scene, and the game module's own
// main and backlog scenes, made by its scene broadcast. Each list is in
// creation order; an entry without a maker is a scene not built yet, passed
// over (its name still stands in the shared-asset scopes).
#include "base/GxTypes.h"

#include <span>

class GxTaskBase;

struct GxGameSceneEntry {
    const GxChar* name;
    GxTaskBase* (*create)(GxTaskBase* parent);
};

std::span<const GxGameSceneEntry> GxGetMenuScenes();
std::span<const GxGameSceneEntry> GxGetModuleScenes();
// Makes each listed scene that has a maker under the parent, in list order;
// the number made.
int GxCreateScenes(std::span<const GxGameSceneEntry> scenes, GxTaskBase* parent);
