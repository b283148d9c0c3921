#include "game/GxGameScenes.h"

#include "game/scenes/SeqAvgLog.h"
#include "game/scenes/SeqAvgMain.h"
#include "game/scenes/SeqBGMMode.h"
#include "game/scenes/SeqBoot.h"
#include "game/scenes/SeqCGMode.h"
#include "game/scenes/SeqCGModeView.h"
#include "game/scenes/SeqConfig.h"
#include "game/scenes/SeqDebug.h"
#include "game/scenes/SeqLoad.h"
#include "game/scenes/SeqOpening.h"
#include "game/scenes/SeqQuickLoad.h"
#include "game/scenes/SeqRPMode.h"
#include "game/scenes/SeqSave.h"
#include "game/scenes/SeqTitle.h"

namespace {

template <class Scene>
GxTaskBase* Make(GxTaskBase* parent) {
    return new Scene(parent);
}

// The order is the start-up's and stays as it is.
constexpr GxGameSceneEntry kMenuScenes[] = {
    {u"SeqBoot", &Make<SeqBoot>},     {u"SeqTitle", &Make<SeqTitle>},       {u"SeqOpening", &Make<SeqOpening>},
    {u"SeqConfig", &Make<SeqConfig>}, {u"SeqSave", &Make<SeqSave>},         {u"SeqLoad", &Make<SeqLoad>},
    {u"SeqQuickLoad", &Make<SeqQuickLoad>}, {u"SeqCGMode", &Make<SeqCGMode>}, {u"SeqCGModeView", &Make<SeqCGModeView>},
    {u"SeqRPMode", &Make<SeqRPMode>}, {u"SeqBGMMode", &Make<SeqBGMMode>},   {u"SeqDebug", &Make<SeqDebug>},
};

// The main adventure scene, then the backlog scene.
constexpr GxGameSceneEntry kModuleScenes[] = {
    {u"SeqAvgMain", &Make<SeqAvgMain>},
    {u"SeqAvgLog", &Make<SeqAvgLog>},
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
