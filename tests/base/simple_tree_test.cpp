#include "base/GxSimpleTree.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_deleted;

struct Node : GxSimpleTreeNode {
    explicit Node(std::string n) : name(std::move(n)) {}
    ~Node() override { g_deleted.push_back(name); }
    std::string name;
};

std::string Children(GxSimpleTreeNode* parent) {
    std::string s;
    for (GxSimpleTreeNode* n = parent->m_FirstChild; n; n = n->m_Next) s += static_cast<Node*>(n)->name;
    return s;
}

TEST(GxSimpleTree, InsertOrderAndLinks) {
    g_deleted.clear();
    GxSimpleTree t;
    auto* p = new Node("P");
    t.SetRoot(p);
    auto* a = new Node("A");
    auto* b = new Node("B");
    t.InsertChild(p, a);
    t.InsertChild(p, b);
    EXPECT_EQ(Children(p), "BA");
    EXPECT_EQ(a->m_Prev, b);
    EXPECT_EQ(a->m_Parent, p);
    auto* c = new Node("C");
    t.InsertAfter(b, c);
    EXPECT_EQ(Children(p), "BCA");
    EXPECT_EQ(c->m_Parent, p);
    EXPECT_EQ(a->m_Prev, c);
    // A null parent or sibling means a new root in front.
    auto* q = new Node("Q");
    t.InsertChild(nullptr, q);
    EXPECT_EQ(t.GetRoot(), q);
    EXPECT_EQ(q->m_Next, p);
    EXPECT_EQ(p->m_Prev, q);
}

TEST(GxSimpleTree, RemoveKeepsChainsWhole) {
    GxSimpleTree t;
    t.m_OwnsNodes = false;
    Node r1("R1"), r2("R2"), a("A"), b("B"), c("C");
    t.SetRoot(&r2);
    t.SetRoot(&r1);
    t.InsertChild(&r1, &c);
    t.InsertChild(&r1, &b);
    t.InsertChild(&r1, &a);
    EXPECT_EQ(t.Remove(&a), &a);  // a first child
    EXPECT_EQ(Children(&r1), "BC");
    EXPECT_EQ(b.m_Prev, nullptr);
    t.Remove(&c);  // a last child
    EXPECT_EQ(Children(&r1), "B");
    EXPECT_EQ(t.Remove(nullptr), &r1) << "null removes the root";
    EXPECT_EQ(t.GetRoot(), &r2);
    EXPECT_EQ(r2.m_Prev, nullptr);
    EXPECT_EQ(r2.m_Parent, nullptr);
    EXPECT_EQ(r1.m_FirstChild, &b) << "children stay with the removed node";
    EXPECT_EQ(t.Remove(&r2), &r2);
    EXPECT_EQ(t.GetRoot(), nullptr);
    EXPECT_EQ(t.Remove(nullptr), nullptr);
}

TEST(GxSimpleTree, ClearDeletesEachNodeOnceChildrenFirst) {
    g_deleted.clear();
    {
        GxSimpleTree t;
        auto* r = new Node("R");
        auto* s = new Node("S");
        t.SetRoot(s);
        t.SetRoot(r);  // R, S at top level
        auto* a = new Node("A");
        auto* b = new Node("B");
        t.InsertChild(r, b);
        t.InsertChild(r, a);  // R: A, B
        t.InsertChild(a, new Node("X"));
        t.InsertChild(s, new Node("Y"));
    }
    EXPECT_EQ(g_deleted, (std::vector<std::string>{"X", "B", "A", "Y", "S", "R"}));
    g_deleted.clear();
    {
        GxSimpleTree t;
        auto* n = new Node("N");
        t.SetRoot(n);
        t.m_OwnsNodes = false;
        t.Remove(n);
        delete n;
    }
    EXPECT_EQ(g_deleted, (std::vector<std::string>{"N"})) << "a tree that does not own deletes nothing";

    // A long chain of siblings does not exhaust the stack.
    g_deleted.clear();
    {
        GxSimpleTree t;
        auto* p = new Node("P");
        t.SetRoot(p);
        GxSimpleTreeNode* last = new Node("c");
        t.InsertChild(p, last);
        for (int i = 1; i < 200000; ++i) {
            GxSimpleTreeNode* n = new Node("c");
            t.InsertAfter(last, n);
            last = n;
        }
    }
    EXPECT_EQ(g_deleted.size(), 200001u);
    EXPECT_EQ(g_deleted.back(), "P");
}

} // namespace
