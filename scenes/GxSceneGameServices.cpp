#include "scenes/GxSceneGameServices.h"

#include <atomic>

namespace {
std::atomic<GxSceneGameServices*> g_Services{nullptr};
}

GxSceneGameServices* GxSceneGameServices::Get() { return g_Services.load(); }
void GxSceneGameServices::Set(GxSceneGameServices* services) { g_Services.store(services); }
