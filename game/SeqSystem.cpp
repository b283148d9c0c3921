#include "game/SeqSystem.h"

SeqSystem::SeqSystem(GxTaskBase* parent) : GxSeqBase(parent, u"SeqSystem") {}
