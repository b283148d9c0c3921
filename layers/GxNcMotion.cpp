#include "layers/GxNcMotion.h"

#include "base/GxLog.h"

GxNcMotion::GxNcMotion() = default;
GxNcMotion::~GxNcMotion() = default;

const GxNcLayerNode* GxNcMotion::LinkTree(bool report) {
    // Looked up by name, not by walking the layers for every node: a file
    // may hold a great many of both.
    std::unordered_map<GxString, s32> first;
    for (size_t i = 0; i < m_LayerList.size(); ++i) first.emplace(m_LayerList[i]->m_LayerName, s32(i));
    const GxNcLayerNode* missing = nullptr;
    LinkNodes(m_LayerTree.GetRoot(), first, &missing);
    // One line for however many nodes name no layer.
    if (report && missing) GxWriteErrorLog(u"LayerNotFound:%s\n", missing->m_LayerName);
    return missing;
}

void GxNcMotion::LinkNodes(GxSimpleTreeNode* start, const std::unordered_map<GxString, s32>& first,
                           const GxNcLayerNode** missing) {
    for (GxSimpleTreeNode* n = start; n; n = n->m_Next) {
        auto* node = static_cast<GxNcLayerNode*>(n);
        const auto it = first.find(node->m_LayerName);
        node->m_pLayer = it == first.end() ? nullptr : m_LayerList[size_t(it->second)].get();
        node->m_LayerIndex = it == first.end() ? -1 : it->second;
        if (!node->m_pLayer && !*missing) *missing = node;
        LinkNodes(n->m_FirstChild, first, missing);
    }
}
