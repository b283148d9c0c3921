#include "base/GxSimpleTree.h"

#include <vector>

GxSimpleTree::~GxSimpleTree() {
    if (m_OwnsNodes) Clear();
}

namespace {
void SetChainParent(GxSimpleTreeNode* first, GxSimpleTreeNode* parent) {
    for (GxSimpleTreeNode* n = first; n; n = n->m_Next) n->m_Parent = parent;
}
} // namespace

void GxSimpleTree::SetRoot(GxSimpleTreeNode* node, int) {
    if (!node) return;
    node->m_Parent = nullptr;
    node->m_Prev = nullptr;
    node->m_Next = m_Root;
    if (m_Root) m_Root->m_Prev = node;
    SetChainParent(node->m_Next, nullptr);
    m_Root = node;
}

void GxSimpleTree::InsertChild(GxSimpleTreeNode* parent, GxSimpleTreeNode* node, int mode) {
    if (!parent) {
        SetRoot(node, mode);
        return;
    }
    if (!node) return;
    node->m_Parent = parent;
    node->m_Prev = nullptr;
    node->m_Next = parent->m_FirstChild;
    if (node->m_Next) node->m_Next->m_Prev = node;
    SetChainParent(node->m_Next, parent);
    parent->m_FirstChild = node;
}

void GxSimpleTree::InsertAfter(GxSimpleTreeNode* sibling, GxSimpleTreeNode* node, int mode) {
    if (!sibling) {
        SetRoot(node, mode);
        return;
    }
    if (!node) return;
    node->m_Parent = sibling->m_Parent;
    node->m_Prev = sibling;
    node->m_Next = sibling->m_Next;
    if (node->m_Next) node->m_Next->m_Prev = node;
    SetChainParent(node->m_Next, sibling->m_Parent);
    sibling->m_Next = node;
}

GxSimpleTreeNode* GxSimpleTree::Remove(GxSimpleTreeNode* node) {
    if (!node || node == m_Root) {
        node = m_Root;
        if (!node) return nullptr;
        m_Root = node->m_Next;
        if (m_Root) m_Root->m_Prev = nullptr;
    } else if (node->m_Prev) {
        node->m_Prev->m_Next = node->m_Next;
        if (node->m_Next) node->m_Next->m_Prev = node->m_Prev;
    } else if (node->m_Parent && node->m_Parent->m_FirstChild == node) {
        node->m_Parent->m_FirstChild = node->m_Next;
        if (node->m_Next) node->m_Next->m_Prev = nullptr;
    }
    node->m_Parent = node->m_Prev = node->m_Next = nullptr;
    return node;
}

void GxSimpleTree::DeleteSubtree(GxSimpleTreeNode* node) {
    if (!node) return;
    // The sibling chain is walked iteratively (chains can be long); depth recurses.
    std::vector<GxSimpleTreeNode*> chain;
    for (GxSimpleTreeNode* n = node; n; n = n->m_Next) chain.push_back(n);
    for (GxSimpleTreeNode* n : chain) DeleteSubtree(n->m_FirstChild);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Remove(*it);
        delete *it;
    }
}

void GxSimpleTree::Clear() { DeleteSubtree(m_Root); }
