// The task-tree walkers that act, over a scene of 1,000 tasks: ten layers,
// each with a layer of 19 actors and 80 actors of its own, as a crowded
// adventure screen's visual tree might be. Skipping runs two of them in
// every update step (the transitions under the scene's root, the actions
// under its visual layer). Figures: milliseconds per walk, and the ratio
// against the same calls made by a plain loop over the tasks collected once.
#include "bench/timing.h"
#include "layers/GxTaskLayer.h"
#include "layers/GxTaskTreeWalkers.h"
#include "tasks/GxTaskManage.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 20;
volatile bool g_Sink = false;

void Collect(GxTaskBase* first, std::vector<GxTaskBase*>& out) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
        Collect(t->GetFirstChild(), out);
        out.push_back(t);
    }
}

} // namespace

int main() {
    GxTaskManage manager;
    auto* top = new GxTaskBase(&manager);
    auto* visual = new GxTaskLayer(top);
    int count = 1;
    for (int i = 0; i < 10; ++i) {
        auto* layer = new GxTaskLayer(visual);
        auto* inner = new GxTaskLayer(layer);
        count += 2;
        for (int k = 0; k < 19; ++k, ++count) new GxTaskActor(inner);
        for (int k = 0; k < 79; ++k, ++count) new GxTaskActor(layer);
    }
    std::vector<GxTaskBase*> all;
    Collect(visual->GetFirstChild(), all);
    all.push_back(visual);

    struct Row {
        const char* name;
        std::function<void()> walk, plain;
    } rows[] = {
        {"GxFinishActorActionsTree", [&] { GxFinishActorActionsTree(visual); },
         [&] {
             for (GxTaskBase* t : all)
                 if (t->TypeBits & kGxTypeActor) static_cast<GxTaskActor*>(t)->FinishActions();
         }},
        {"GxFinishLayerTransitTree", [&] { GxFinishLayerTransitTree(visual); },
         [&] {
             for (GxTaskBase* t : all)
                 if (t->TypeBits & kGxTypeLayer) static_cast<GxTaskLayer*>(t)->FinishTransit();
         }},
        {"GxIsActorActionTree", [&] { GxIsActorActionTree(visual); },
         [&] {
             bool any = false;
             for (GxTaskBase* t : all)
                 if ((t->TypeBits & kGxTypeActor) && !static_cast<GxTaskActor*>(t)->IsActionFinished()) any = true;
             g_Sink = any;
         }},
    };
    std::printf("task-tree walkers over %d tasks (best of %d)\n", count, kRuns);
    for (const Row& r : rows) {
        const double walk = qbench::BestOf(kRuns, r.walk);
        const double plain = qbench::BestOf(kRuns, r.plain);
        std::printf("  %-26s %9.4f ms   plain loop %8.4f ms   ratio %7.1f\n", r.name, walk, plain,
                    plain > 0 ? walk / plain : 0.0);
    }
    // The tasks go children first, as the sweep deletes them.
    for (auto it = all.begin(); it != all.end(); ++it) delete *it;
    delete top;
    return 0;
}
