#include "layers/GxNcMotion.h"

#include "base/GxLog.h"

GxNcMotion::GxNcMotion() = default;
GxNcMotion::~GxNcMotion() = default;

void GxNcMotion::LinkTree() { LinkNodes(m_LayerTree.GetRoot()); }

void GxNcMotion::LinkNodes(GxSimpleTreeNode* first) {
    for (GxSimpleTreeNode* n = first; n; n = n->m_Next) {
        auto* node = static_cast<GxNcLayerNode*>(n);
        node->m_pLayer = nullptr;
        node->m_LayerIndex = -1;
        for (size_t i = 0; i < m_LayerList.size(); ++i)
            if (m_LayerList[i]->m_LayerName == node->m_LayerName) {
                node->m_pLayer = m_LayerList[i].get();
                node->m_LayerIndex = s32(i);
                break;
            }
        if (!node->m_pLayer) GxWriteErrorLog(u"LayerNotFound:%s\n", node->m_LayerName);
        LinkNodes(n->m_FirstChild);
    }
}
