// Evaluating a 40-layer layout-project motion into its snapshot, once per
// frame: every layer with moving position, scale, rotation and pivot, alpha,
// visibility, vertex colours and an image-set pattern, under a two-level
// layer tree. Figures: microseconds per frame, the share of a 60 Hz frame on
// one core (the budget is 2%), heap allocations per frame once the snapshot
// has grown (must be 0), and the ratio against the same blends, matrices and
// point transforms written as a plain loop in the same run.
#include "bench/timing.h"
#include "layers/GxNcMotionSnapShotEx.h"
#include "layers/GxNcOriginImage.h"
#include "layers/GxNcProject.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

namespace {
std::atomic<long> g_Allocations{0};
}

// Every allocation is counted; the replacements pair malloc with free, which
// GCC cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
    ++g_Allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kLayers = 40;
constexpr int kFrames = 600;

template <class Key>
Key At(s32 t) {
    Key k;
    k.m_Time = t;
    return k;
}

GxNcVector4Key V4(s32 t, f32 x, f32 y, f32 z, u32 mode) {
    GxNcVector4Key k = At<GxNcVector4Key>(t);
    k.m_Value = GxVector4(x, y, z, 0);
    k.m_InterMode = mode;
    k.m_InterParam0 = 0.25f;
    return k;
}

void Build(GxNcProject& p, GxNcOriginImage& origin) {
    GxNcCrammedPattern pattern;
    pattern.m_CrammedWidth = 64, pattern.m_CrammedHeight = 48, pattern.m_CenterPosX = 32, pattern.m_CenterPosY = 24;
    origin.m_FileName = u"button.png";
    origin.m_PatternArray = {pattern};
    p.m_MotionGroupList.push_back(std::make_unique<GxNcMotionGroup>());
    GxNcMotionGroup& g = *p.m_MotionGroupList.back();
    g.m_MotionList.push_back(std::make_unique<GxNcMotion>());
    GxNcMotion& m = *g.m_MotionList.back();
    m.m_EndTime = 120;
    GxNcLayerNode* root = nullptr;
    for (int i = 0; i < kLayers; ++i) {
        m.m_LayerList.push_back(std::make_unique<GxNcLayer>());
        GxNcLayer& l = *m.m_LayerList.back();
        l.m_LayerName = u"layer_with_a_long_name_" + GxString(1, char16_t(u'A' + i));
        l.m_LoopMode = 1;
        GxNcImageKey image;
        image.m_ImageSetName = u"ui_parts_common";
        image.m_ImageFileName = u"button_frame_large.png";
        image.m_pOriginImage = &origin;
        l.m_ImageTrack = {image};
        const f32 f = f32(i);
        for (u32 mode = 1; mode <= 4; ++mode) {
            l.m_PosTrack.push_back(V4(s32(mode - 1) * 30, f * 10, f * 5 + f32(mode) * 3, 0, mode));
            l.m_ScaleTrack.push_back(V4(s32(mode - 1) * 30, 1 + f32(mode) * 0.1f, 1, 1, mode));
            l.m_RotTrack.push_back(V4(s32(mode - 1) * 30, 0, 0, f32(mode) * 20, mode));
            l.m_CenterTrack.push_back(V4(s32(mode - 1) * 30, 4, 4, 0, 1));
        }
        GxNcFloatKey a0 = At<GxNcFloatKey>(0), a1 = At<GxNcFloatKey>(90);
        a0.m_Value = 0, a1.m_Value = 1;
        l.m_AlphaTrack = {a0, a1};
        GxNcUIntKey v = At<GxNcUIntKey>(0);
        v.m_Value = 1;
        l.m_VisibleTrack = {v};
        GxNcVertexKey c0 = At<GxNcVertexKey>(0), c1 = At<GxNcVertexKey>(60);
        for (int k = 0; k < 5; ++k) c0.m_Value[k] = GxVector4(1, 1, 1, 1), c1.m_Value[k] = GxVector4(0.5f, 1, 0.25f, 1);
        l.m_VertexColorTrack = {c0, c1};
        auto* node = new GxNcLayerNode;
        node->m_LayerName = l.m_LayerName;
        if (i % 5 == 0) {
            m.m_LayerTree.SetRoot(node);
            root = node;
        } else {
            m.m_LayerTree.InsertChild(root, node);
        }
    }
    m.LinkTree();
}

// The same arithmetic without the engine's records: blend the key values,
// compose and combine the matrices, transform the five points.
struct Plain {
    f32 keys[kLayers][4][4][4];  // layer, track, key, component
    f32 colours[kLayers][2][4];
    f32 world[kLayers][16];
    f32 points[kLayers][5][4];

    static void Mul(const f32* a, const f32* b, f32* out) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                f32 s = 0;
                for (int k = 0; k < 4; ++k) s += a[r * 4 + k] * b[k * 4 + c];
                out[r * 4 + c] = s;
            }
    }
    void Frame(int t) {
        const int i0 = (t % 120) / 30, i1 = (i0 + 1) % 4;
        const f32 f = f32(t % 30) / 30.0f;
        for (int l = 0; l < kLayers; ++l) {
            f32 v[4][4];
            for (int tr = 0; tr < 4; ++tr)
                for (int c = 0; c < 4; ++c) v[tr][c] = keys[l][tr][i0][c] + (keys[l][tr][i1][c] - keys[l][tr][i0][c]) * f;
            const f32 a = std::sin(v[2][2] * 0.0174533f), co = std::cos(v[2][2] * 0.0174533f);
            const f32 local[16] = {v[1][0] * co, v[1][0] * a, 0, 0, -v[1][1] * a, v[1][1] * co, 0, 0,
                                   0,            0,           1, 0, v[0][0],      v[0][1],      0, 1};
            if (l % 5 == 0)
                std::copy(local, local + 16, world[l]);
            else
                Mul(local, world[l - l % 5], world[l]);
            for (int p = 0; p < 5; ++p) {
                const f32 x = f32(p * 16), y = f32(p * 8);
                for (int c = 0; c < 4; ++c) points[l][p][c] = x * world[l][c] + y * world[l][4 + c] + world[l][12 + c];
            }
            for (int c = 0; c < 4; ++c) colours[l][1][c] = colours[l][0][c] * (1 - f) + 0.5f * f;
        }
    }
};

} // namespace

int main() {
    GxNcProject project;
    GxNcOriginImage origin;
    Build(project, origin);
    const GxNcMotion* motion = project.m_MotionGroupList[0]->m_MotionList[0].get();
    GxNcMotionSnapShotEx snap;
    const GxMatrix parent;
    const GxFColor white(1, 1, 1, 1);
    auto evaluate = [&](int frames) {
        for (int t = 0; t < frames; ++t) snap.Update(&project, motion, t, GxVector4(), &parent, white, 4, nullptr);
    };
    evaluate(1);
    const long before = g_Allocations;
    evaluate(kFrames);
    const long allocations = g_Allocations - before;

    auto plain = std::make_unique<Plain>();
    for (int l = 0; l < kLayers; ++l)
        for (int t = 0; t < 4; ++t)
            for (int k = 0; k < 4; ++k)
                for (int c = 0; c < 4; ++c) plain->keys[l][t][k][c] = f32(l + t + k + c);
    const double engine = qbench::BestOf(9, [&] { evaluate(kFrames); }) / kFrames;
    const double base = qbench::BestOf(9, [&] {
        for (int t = 0; t < kFrames; ++t) plain->Frame(t);
    }) / kFrames;
    std::printf("snapshot_bench: a %d-layer motion evaluated per frame\n", kLayers);
    std::printf("  %.2f us per frame, %.3f%% of a 60 Hz frame (budget 2%%); %.2f heap allocations per frame\n",
                engine * 1000.0, engine / (1000.0 / 60.0) * 100.0, double(allocations) / kFrames);
    std::printf("  plain loop over the same blends and matrices: %.2f us; ratio %.2f\n", base * 1000.0, engine / base);
    std::printf("  (checksum %f)\n", double(snap.m_Layers[7].m_Pos[2].x + plain->points[7][2][0]));
    return allocations == 0 ? 0 : 1;
}
