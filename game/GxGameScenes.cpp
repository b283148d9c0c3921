#include "game/GxGameScenes.h"

#include "game/scenes/SeqBGMMode.h"
#include "game/scenes/SeqBoot.h"
#include "game/scenes/SeqCGMode.h"
#include "game/scenes/SeqCGModeView.h"
#include "game/scenes/SeqConfig.h"
#include "game/scenes/SeqDebug.h"
#include "game/scenes/SeqOpening.h"
#include "game/scenes/SeqRPMode.h"
#include "game/scenes/SeqTitle.h"

namespace {

template <class Scene>
GxTaskBase* Make(GxTaskBase* parent) {
    return new Scene(parent);
}

// SCENES SEAM: the save, load and quick-load scenes get their makers
// (&Make<Scene>) as they are built. The order is the start-up's and stays as it is.
constexpr GxGameSceneEntry kMenuScenes[] = {
    {u"SeqBoot", &Make<SeqBoot>},     {u"SeqTitle", &Make<SeqTitle>},       {u"SeqOpening", &Make<SeqOpening>},
    {u"SeqConfig", &Make<SeqConfig>}, {u"SeqSave", nullptr},                {u"SeqLoad", nullptr},
    {u"SeqQuickLoad", nullptr},       {u"SeqCGMode", &Make<SeqCGMode>},     {u"SeqCGModeView", &Make<SeqCGModeView>},
    {u"SeqRPMode", &Make<SeqRPMode>}, {u"SeqBGMMode", &Make<SeqBGMMode>},   {u"SeqDebug", &Make<SeqDebug>},
};

// SCENES SEAM: the main adventure scene, then the backlog scene.
constexpr GxGameSceneEntry kModuleScenes[] = {
    {u"SeqAvgMain", nullptr},
    {u"SeqAvgLog", nullptr},
};

} // namespace

std::span<const GxGameSceneEntry> GxGetMenuScenes() { return kMenuScenes; }
std::span<const GxGameSceneEntry> GxGetModuleScenes() { return kModuleScenes; }

int GxCreateScenes(std::span<const GxGameSceneEntry> scenes, GxTaskBase* parent) {
    int made = 0;
    for (const GxGameSceneEntry& scene : scenes)
        if (scene.create && scene.create(parent)) ++made;
    return made;
}
