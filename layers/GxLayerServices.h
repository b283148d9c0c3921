#pragma once
// What actors and layers need of the subsystems above them: the game's
// system sounds. The game module installs the one implementation; with none
// installed (or after Set(nullptr)) every operation does nothing.
#include "base/GxTypes.h"

class GxLayerServices {
public:
    // Never null: the installed services or the silent defaults.
    static GxLayerServices& Get();
    static void Set(GxLayerServices* services);

    virtual ~GxLayerServices() = default;

    // Plays system sound `soundId` once (−1 nothing) with system voice `voiceId`.
    virtual void PlaySystemSound(s32 /*soundId*/, s32 /*voiceId*/) {}
};
