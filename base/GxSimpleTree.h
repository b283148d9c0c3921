#pragma once
// A small intrusive tree: nodes carry their own links; the tree holds the first
// top-level node and whether it deletes the nodes. Siblings form a doubly
// linked chain and every node of a chain points to the chain's parent.

class GxSimpleTreeNode {
public:
    GxSimpleTreeNode() = default;
    virtual ~GxSimpleTreeNode() = default;
    GxSimpleTreeNode(const GxSimpleTreeNode&) = delete;
    GxSimpleTreeNode& operator=(const GxSimpleTreeNode&) = delete;

    GxSimpleTreeNode* m_Parent = nullptr;
    GxSimpleTreeNode* m_Prev = nullptr;
    GxSimpleTreeNode* m_Next = nullptr;
    GxSimpleTreeNode* m_FirstChild = nullptr;
};

class GxSimpleTree {
public:
    GxSimpleTree() = default;
    virtual ~GxSimpleTree();
    GxSimpleTree(const GxSimpleTree&) = delete;
    GxSimpleTree& operator=(const GxSimpleTree&) = delete;

    // The engine only uses mode 1: insert before the existing first node or
    // next sibling. Other modes do the same.
    void SetRoot(GxSimpleTreeNode* node, int mode = 1);
    void InsertChild(GxSimpleTreeNode* parent, GxSimpleTreeNode* node, int mode = 1);
    void InsertAfter(GxSimpleTreeNode* sibling, GxSimpleTreeNode* node, int mode = 1);
    // Unlinks the node (null: the root) and returns it; its children stay with it.
    GxSimpleTreeNode* Remove(GxSimpleTreeNode* node);
    // Deletes every node reachable through first-child and next links, children
    // first, the given node last.
    void DeleteSubtree(GxSimpleTreeNode* node);
    void Clear();

    GxSimpleTreeNode* GetRoot() const { return m_Root; }
    bool m_OwnsNodes = true;

private:
    GxSimpleTreeNode* m_Root = nullptr;
};
