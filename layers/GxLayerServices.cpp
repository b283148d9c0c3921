#include "layers/GxLayerServices.h"

#include "io/GxFileSystem.h"

namespace {
GxLayerServices g_Defaults;
GxLayerServices* g_Services = nullptr;
} // namespace

GxLayerServices& GxLayerServices::Get() { return g_Services ? *g_Services : g_Defaults; }

void GxLayerServices::Set(GxLayerServices* services) { g_Services = services; }

bool GxLayerServices::ResolveImageFile(GxString* path) { return path && GxFileExists(*path) != kGxFileNotFound; }
