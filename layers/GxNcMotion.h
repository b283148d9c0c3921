#pragma once
// A motion: a stack of layers with their key tracks, the tree that parents
// them, a sound track and four event tracks.
#include "base/GxSimpleTree.h"
#include "layers/GxNcEventKey.h"
#include "layers/GxNcLayer.h"
#include "layers/GxNcLayerNode.h"
#include "layers/GxNcSoundKey.h"

#include <memory>
#include <unordered_map>
#include <vector>

class GxNcMotion {
public:
    static constexpr int kEventTrackCount = 4;

    GxNcMotion();
    ~GxNcMotion();
    GxNcMotion(const GxNcMotion&) = delete;
    GxNcMotion& operator=(const GxNcMotion&) = delete;

    // Links every tree node, depth first, to the first layer of its name; a
    // node without one keeps index -1. The first such node is logged, unless
    // report is false (a caller that reports it itself), and returned; null
    // when every node found its layer.
    const GxNcLayerNode* LinkTree(bool report = true);
    // The loop period of the motion's layers: the end time, at least 1.
    s32 GetPeriod() const { return m_EndTime > 1 ? m_EndTime : 1; }
    GxNcLayerNode* GetRootNode() const { return static_cast<GxNcLayerNode*>(m_LayerTree.GetRoot()); }

    GxString m_MotionName;
    GxString m_EnumName;
    u32 m_MotionID = 0;
    s32 m_TotalDuration = 0;
    s32 m_StartTime = 0;
    s32 m_PlayTime = 0;
    s32 m_EndTime = 0;
    GxSimpleTree m_LayerTree;  // of GxNcLayerNode
    std::vector<std::unique_ptr<GxNcLayer>> m_LayerList;
    std::vector<GxNcSoundKey> m_SoundTrack;
    std::vector<GxNcEventKey> m_EventTrack[kEventTrackCount];

private:
    // Links the chain from node and its children by the names' first
    // indexes; the first unlinked node goes to missing while it is null.
    void LinkNodes(GxSimpleTreeNode* node, const std::unordered_map<GxString, s32>& first,
                   const GxNcLayerNode** missing);
};
