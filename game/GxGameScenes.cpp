#include "game/GxGameScenes.h"


namespace {

// SCENES SEAM: each scene's maker goes into its entry as the scene is built,
// e.g. {u"SeqBoot", [](GxTaskBase* p) -> GxTaskBase* { return new SeqBoot(p); }}.
// The order is the start-up's and stays as it is.
constexpr GxGameSceneEntry kMenuScenes[] = {
    {u"SeqBoot", nullptr},       {u"SeqTitle", nullptr},      {u"SeqOpening", nullptr},
    {u"SeqConfig", nullptr},     {u"SeqSave", nullptr},       {u"SeqLoad", nullptr},
    {u"SeqQuickLoad", nullptr},  {u"SeqCGMode", nullptr},     {u"SeqCGModeView", nullptr},
    {u"SeqRPMode", nullptr},     {u"SeqBGMMode", nullptr},    {u"SeqDebug", nullptr},
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
