// The task-tree walkers over a mixed tree: layers of two types, a layer
// under a plain task, actors with actions, and a layer whose clearing
// removes another layer while the walk is under way.
#include "layer_fixture.h"

#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "layers/GxTaskTreeWalkers.h"

#include <chrono>

namespace {

// A task and everything below it, children first.
void DeleteSubtree(GxTaskBase* t) {
    while (t->GetFirstChild()) DeleteSubtree(t->GetFirstChild());
    delete t;
}

// Notes the order of clears; may delete another subtree when cleared.
struct NotingLayer : GxTaskLayer {
    NotingLayer(GxTaskBase* parent, std::string tag, std::vector<std::string>* seen, s32 type)
        : GxTaskLayer(parent), m_Tag(std::move(tag)), m_Seen(seen) {
        SetLayerType(type);
    }
    void ClearContent() override {
        m_Seen->push_back(m_Tag);
        GxTaskLayer::ClearContent();
        if (m_Victim) {
            GxTaskBase* v = m_Victim;
            m_Victim = nullptr;
            DeleteSubtree(v);
        }
    }
    std::string m_Tag;
    std::vector<std::string>* m_Seen;
    GxTaskBase* m_Victim = nullptr;
};

struct Walkers : testing::Test {
    ltest::TaskTree tree;
    std::vector<std::string> seen;
    GxTaskBase* scene = new GxTaskBase(tree.top);
    NotingLayer* bg = new NotingLayer(scene, "bg", &seen, 1);
    NotingLayer* face = new NotingLayer(bg, "face", &seen, 2);
    GxTaskBase* plain = new GxTaskBase(scene);
    NotingLayer* deep = new NotingLayer(plain, "deep", &seen, 2);
    GxTaskActor* actor = new GxTaskActor(scene);
    NotingLayer* last = new NotingLayer(scene, "last", &seen, 1);
};

TEST_F(Walkers, ListsVisitChildrenFirstAndFilterByType) {
    GxClearLayerList(scene->GetFirstChild(), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"face", "bg", "deep", "last"}))
        << "children before their task; a layer under a plain task is reached";
    seen.clear();
    GxClearLayerList(scene->GetFirstChild(), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"face", "deep"}));
    seen.clear();
    GxClearLayerTree(bg);
    EXPECT_EQ(seen, (std::vector<std::string>{"face", "bg"}));
}

TEST_F(Walkers, TransitionsAndActions) {
    EXPECT_FALSE(GxIsLayerTransitTree(scene));
    GxStartLayerTransitList(scene->GetFirstChild(), 500, 1);
    EXPECT_TRUE(bg->IsTransiting());
    EXPECT_TRUE(last->IsTransiting());
    EXPECT_FALSE(face->IsTransiting()) << "type 2 is filtered out";
    EXPECT_TRUE(GxIsLayerTransitTree(scene));
    EXPECT_FALSE(GxIsLayerTransitTree(plain));
    GxFinishLayerTransitTree(scene);
    EXPECT_FALSE(GxIsLayerTransitTree(scene));

    EXPECT_FALSE(GxIsActorActionTree(plain)) << "a tree without actions";
    EXPECT_FALSE(GxIsActorActionTree(new GxTaskBase(tree.top))) << "a tree without actors";
    GxAddActionFadeOut(0, 1000, actor);
    GxAddActionWait(1, 5000, deep);
    EXPECT_TRUE(GxIsActorActionTree(scene));
    EXPECT_TRUE(GxIsActorActionTree(plain)) << "layers are actors too";
    GxFinishActorActionsTree(scene);
    EXPECT_FALSE(GxIsActorActionTree(scene));
    EXPECT_EQ(actor->GetAlpha(), 0);
}

TEST_F(Walkers, ALayerRemovedWhileWalking) {
    face->m_Victim = last;
    GxClearLayerList(scene->GetFirstChild(), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"face", "bg", "deep"})) << "the removed layer is not touched";
    seen.clear();
    bg->m_Victim = plain;
    GxClearLayerTree(scene);
    EXPECT_EQ(seen, (std::vector<std::string>{"face", "bg"})) << "nor the subtree removed with its task";
}

// Acting costs one pass over the tree, not one per task: 10,000 tasks
// walked the old way took seconds (a pass over the tree for every task).
TEST_F(Walkers, ActingOnALargeTreeIsOnePassOverIt) {
    for (int g = 0; g < 10; ++g) {
        auto* group = new GxTaskLayer(plain);
        for (int k = 0; k < 1000; ++k) new GxTaskActor(group);
    }
    GxAddActionWait(0, 100, actor);
    const auto start = std::chrono::steady_clock::now();
    GxFinishActorActionsTree(scene);
    GxFinishLayerTransitTree(scene);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(GxIsActorActionTree(scene));
    EXPECT_LT(ms, 250.0);
}

} // namespace
