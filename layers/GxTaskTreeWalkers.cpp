#include "layers/GxTaskTreeWalkers.h"

#include "layers/GxTaskLayer.h"

#include <unordered_set>
#include <vector>

namespace {

// The chain from first and every subtree below it, children before their task.
void Collect(GxTaskBase* first, std::vector<GxTaskBase*>& out) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
        Collect(t->GetFirstChild(), out);
        out.push_back(t);
    }
}

// The tasks of a walk, in walk order, and the way to tell which of them are
// still in the tree once acting has begun. While no task's links have
// changed since the tasks were collected, every one is still there; after a
// change the tree is collected again from an anchor that the actions do not
// remove, once per change, so a walk costs one pass over the tree unless
// its actions keep changing the tree.
class Walk {
public:
    // The chain from first; its parent (when it has one) anchors it.
    static Walk List(GxTaskBase* first) {
        Walk w;
        w.m_Anchor = first ? first->GetParent() : nullptr;
        w.m_First = first;
        Collect(first, w.m_Tasks);
        w.m_Changes = GxTaskBase::GetLinkChangeCount();
        return w;
    }
    // The task's children, then the task.
    static Walk Tree(GxTaskBase* task) {
        Walk w;
        w.m_Anchor = task;
        w.m_Tree = true;
        if (task) {
            Collect(task->GetFirstChild(), w.m_Tasks);
            w.m_Tasks.push_back(task);
        }
        w.m_Changes = GxTaskBase::GetLinkChangeCount();
        return w;
    }

    template <class Act>
    void Each(Act act) {
        for (GxTaskBase* t : m_Tasks)
            if (StillThere(t)) act(t);
    }

private:
    bool StillThere(GxTaskBase* t) {
        const u64 changes = GxTaskBase::GetLinkChangeCount();
        if (changes != m_Changes) {
            m_Changes = changes;
            std::vector<GxTaskBase*> now;
            if (m_Tree) {
                if (m_Anchor) {
                    Collect(m_Anchor->GetFirstChild(), now);
                    now.push_back(m_Anchor);
                }
            } else {
                Collect(m_Anchor ? m_Anchor->GetFirstChild() : m_First, now);
            }
            m_There.clear();
            m_There.insert(now.begin(), now.end());
            m_Recollected = true;
        }
        return !m_Recollected || m_There.count(t) != 0;
    }

    std::vector<GxTaskBase*> m_Tasks;
    std::unordered_set<GxTaskBase*> m_There;
    GxTaskBase* m_Anchor = nullptr;
    GxTaskBase* m_First = nullptr;
    u64 m_Changes = 0;
    bool m_Tree = false;
    bool m_Recollected = false;
};

GxTaskLayer* AsLayer(GxTaskBase* t, s32 type = 0) {
    if (!(t->TypeBits & kGxTypeLayer)) return nullptr;
    auto* l = static_cast<GxTaskLayer*>(t);
    return (type == 0 || l->GetLayerType() == type) ? l : nullptr;
}

GxTaskActor* AsActor(GxTaskBase* t) { return (t->TypeBits & kGxTypeActor) ? static_cast<GxTaskActor*>(t) : nullptr; }

// The tests read only: no collecting needed, and they stop at the first hit.
template <class Test>
bool AnyInChain(GxTaskBase* first, const Test& test) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling())
        if (AnyInChain(t->GetFirstChild(), test) || test(t)) return true;
    return false;
}

template <class Test>
bool AnyInTree(GxTaskBase* task, const Test& test) {
    return task && (AnyInChain(task->GetFirstChild(), test) || test(task));
}

} // namespace

void GxClearLayerList(GxTaskBase* first, s32 layerType) {
    Walk::List(first).Each([layerType](GxTaskBase* t) {
        if (GxTaskLayer* l = AsLayer(t, layerType)) l->ClearContent();
    });
}

void GxClearLayerTree(GxTaskBase* task) {
    Walk::Tree(task).Each([](GxTaskBase* t) {
        if (GxTaskLayer* l = AsLayer(t)) l->ClearContent();
    });
}

void GxStartLayerTransitList(GxTaskBase* first, s32 time, s32 layerType) {
    Walk::List(first).Each([time, layerType](GxTaskBase* t) {
        if (GxTaskLayer* l = AsLayer(t, layerType)) l->StartTransit(time);
    });
}

void GxFinishLayerTransitTree(GxTaskBase* task) {
    Walk::Tree(task).Each([](GxTaskBase* t) {
        if (GxTaskLayer* l = AsLayer(t)) l->FinishTransit();
    });
}

void GxFinishActorActionsTree(GxTaskBase* task) {
    Walk::Tree(task).Each([](GxTaskBase* t) {
        if (GxTaskActor* a = AsActor(t)) a->FinishActions();
    });
}

bool GxIsLayerTransitTree(GxTaskBase* task) {
    return AnyInTree(task, [](GxTaskBase* t) {
        GxTaskLayer* l = AsLayer(t);
        return l && l->IsTransiting();
    });
}

bool GxIsActorActionTree(GxTaskBase* task) {
    return AnyInTree(task, [](GxTaskBase* t) {
        GxTaskActor* a = AsActor(t);
        return a && !a->IsActionFinished();
    });
}
