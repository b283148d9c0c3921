#include "game/AvgCore.h"

AvgCore* AvgCore::GetInstance() {
    static AvgCore instance;
    return &instance;
}

const GxString& AvgCore::GetModuleName() {
    static const GxString name = u"AvgCore";
    return name;
}
