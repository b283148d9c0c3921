#pragma once
// A node of a motion's layer tree, linked by name to a layer of the same
// motion after reading.
#include "base/GxSimpleTree.h"
#include "base/GxTypes.h"

class GxNcLayer;

class GxNcLayerNode : public GxSimpleTreeNode {
public:
    GxString m_LayerName;
    s32 m_LayerIndex = -1;  // -1: not linked
    GxNcLayer* m_pLayer = nullptr;
    // Set once an unlinked node was reported, so evaluation logs it once
    // rather than every frame.
    bool m_Reported = false;
};
