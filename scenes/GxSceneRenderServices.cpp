#include "scenes/GxSceneRenderServices.h"

#include <atomic>

namespace {
std::atomic<GxSceneRenderServices*> g_Services{nullptr};
}

GxSceneRenderServices* GxSceneRenderServices::Get() { return g_Services.load(); }
void GxSceneRenderServices::Set(GxSceneRenderServices* services) { g_Services.store(services); }
