#include "scenes/GxSceneUIServices.h"

#include <atomic>

namespace {
std::atomic<GxSceneUIServices*> g_Services{nullptr};
}

GxSceneUIServices* GxSceneUIServices::Get() { return g_Services.load(); }
void GxSceneUIServices::Set(GxSceneUIServices* services) { g_Services.store(services); }
