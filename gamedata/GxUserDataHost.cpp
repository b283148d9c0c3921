#include "gamedata/GxUserDataHost.h"

namespace {
GxUserDataHost* g_Host = nullptr;
}

GxUserDataHost* GxUserDataHost::Get() { return g_Host; }
void GxUserDataHost::Set(GxUserDataHost* host) { g_Host = host; }
