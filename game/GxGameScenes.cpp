#include "game/GxGameScenes.h"

#include "game/scenes/SeqBoot.h"
#include "game/scenes/SeqDebug.h"
#include "game/scenes/SeqOpening.h"
#include "game/scenes/SeqTitle.h"

namespace {

template <class Scene>
GxTaskBase* Make(GxTaskBase* parent) {
    return new Scene(parent);
}

// SCENES SEAM: the configuration, save, load, quick-load, gallery, gallery
// viewer, replay and music-room scenes get their makers (&Make<Scene>) as
// they are built. The order is the start-up's and stays as it is.
constexpr GxGameSceneEntry kMenuScenes[] = {
    {u"SeqBoot", &Make<SeqBoot>}, {u"SeqTitle", &Make<SeqTitle>}, {u"SeqOpening", &Make<SeqOpening>},
    {u"SeqConfig", nullptr},     {u"SeqSave", nullptr},       {u"SeqLoad", nullptr},
    {u"SeqQuickLoad", nullptr},  {u"SeqCGMode", nullptr},     {u"SeqCGModeView", nullptr},
    {u"SeqRPMode", nullptr},     {u"SeqBGMMode", nullptr},    {u"SeqDebug", &Make<SeqDebug>},
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
