#pragma once
// The resident system scene: the root of the task manager's trees, walked
// after both sequence workers' scenes and offered input before them. It lives
// from the game's start-up to the deletion of the task manager.
#include "scenes/GxSeqBase.h"

class SeqSystem : public GxSeqBase {
public:
    explicit SeqSystem(GxTaskBase* parent);
    // The system dialogs, the debug overlay and the developer keys join here
    // with the rest of the game's scenes.
};
