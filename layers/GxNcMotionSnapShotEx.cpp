#include "layers/GxNcMotionSnapShotEx.h"

#include "base/GxLog.h"
#include "graphics/GxDraw.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "layers/GxNcCrammedImage.h"
#include "layers/GxNcKeyFrame.h"
#include "layers/GxNcMotion.h"
#include "layers/GxNcOriginImage.h"
#include "layers/GxNcProject.h"
#include "layers/GxNcSnapShotDrawHook.h"
#include "layers/GxNcSnapShotListener.h"

#include <algorithm>

namespace {

constexpr f32 kKeyDegToRad = 0.017453292f;

// The default keys of the tracks whose defaults differ from a new key's.
const GxNcVector2Key& DefaultScaleFactor() {
    static const GxNcVector2Key k = [] {
        GxNcVector2Key d;
        d.m_Value = GxVector2(1, 1);
        return d;
    }();
    return k;
}

template <class Key>
const Key& DefaultKey() {
    static const Key k{};
    return k;
}

GxTexture* LoadedTexture(GxTexture* t) { return (t && t->HasTexture()) ? t : nullptr; }

// The atlas texture of a pattern, when it is loaded.
GxTexture* AtlasTexture(const GxNcCrammedPattern* p) {
    return p && p->m_pCrammedImage ? LoadedTexture(p->m_pCrammedImage->m_pTexture) : nullptr;
}

const GxNcCrammedPattern* ResolvedPattern(const GxNcImageKey& k) {
    return k.m_pOriginImage ? k.m_pOriginImage->GetPattern(k.m_PatternIndex) : nullptr;
}

void SetSquare(GxNcLayerSnapShotEx& s, f32 w, f32 h) {
    const f32 hw = w / 2, hh = h / 2;
    s.m_Pos[0] = GxVector4(-hw, -hh, 0, 0);
    s.m_Pos[1] = GxVector4(-hw, hh, 0, 0);
    s.m_Pos[2] = GxVector4(hw, hh, 0, 0);
    s.m_Pos[3] = GxVector4(hw, -hh, 0, 0);
    s.m_Pos[4] = GxVector4(0, 0, 0, 0);
}

void SetDefaultUV(GxNcLayerSnapShotEx& s) {
    s.m_UV[0] = GxVector2(0, 0);
    s.m_UV[1] = GxVector2(0, 1);
    s.m_UV[2] = GxVector2(1, 1);
    s.m_UV[3] = GxVector2(1, 0);
    s.m_UV[4] = GxVector2(0.5f, 0.5f);
}

// Corners, centre and texture coordinates of a layer showing a pattern.
void SetPatternQuad(GxNcLayerSnapShotEx& s, const GxNcCrammedPattern& p, const GxNcOriginImage& origin) {
    const f32 L = f32(p.m_CrammedOffsetLeft), T = f32(p.m_CrammedOffsetTop);
    const f32 W = f32(p.m_CrammedWidth), H = f32(p.m_CrammedHeight);
    s.m_Pos[0] = GxVector4(L, T, 0, 0);
    s.m_Pos[1] = GxVector4(L, T + H, 0, 0);
    s.m_Pos[2] = GxVector4(L + W, T + H, 0, 0);
    s.m_Pos[3] = GxVector4(L + W, T, 0, 0);
    s.m_Pos[4] = GxVector4(L + W / 2, T + H / 2, 0, 0);
    const GxVector2 offset(s.m_ExtraKey.m_Value.x / 1024.0f, s.m_ExtraKey.m_Value.y / 1024.0f);
    const GxFRect& raw = p.m_CrammedRawUV;
    const bool hasRaw = raw.left != 0 || raw.top != 0 || raw.right != 0 || raw.bottom != 0;
    if (GxTexture* atlas = AtlasTexture(&p)) {
        if (hasRaw) {
            s.m_UV[0] = GxVector2(raw.left, raw.top);
            s.m_UV[1] = GxVector2(raw.left, raw.bottom);
            s.m_UV[2] = GxVector2(raw.right, raw.bottom);
            s.m_UV[3] = GxVector2(raw.right, raw.top);
            s.m_UV[4] = GxVector2((raw.left + raw.right) / 2, (raw.top + raw.bottom) / 2);
        } else {
            // A set written without raw coordinates: the kept part's pixels
            // in the atlas give them, rather than drawing texel (0, 0).
            for (int i = 0; i < 5; ++i)
                s.m_UV[i] = GxVector2(atlas->ToU(f32(p.m_CrammedLeft) + s.m_Pos[i].x - L),
                                      atlas->ToV(f32(p.m_CrammedTop) + s.m_Pos[i].y - T));
        }
        for (GxVector2& uv : s.m_UV) uv = GxVector2(uv.x + offset.x, uv.y + offset.y);
    } else if (GxTexture* t = LoadedTexture(origin.m_pTexture)) {
        for (int i = 0; i < 5; ++i)
            s.m_UV[i] = GxVector2(t->ToU(f32(p.m_Left) + s.m_Pos[i].x) + offset.x,
                                  t->ToV(s.m_Pos[i].y + f32(p.m_Top)) + offset.y);
    } else {
        SetDefaultUV(s);
    }
    for (int i = 0; i < 5; ++i) {
        s.m_Pos[i].x += s.m_VertexOffsetKey.m_Value[i].x - p.m_CenterPosX;
        s.m_Pos[i].y += s.m_VertexOffsetKey.m_Value[i].y - p.m_CenterPosY;
    }
}

// The time a nested motion is shown at.
s32 NestedTime(const GxNcLayerSnapShotEx& s, const GxNcMotion& nested) {
    s64 t = s.m_Time;
    const GxNcLayer& layer = *s.m_pLayer;
    if (layer.m_LoopMode == 2) t %= std::max<s64>(layer.m_LastTime, 1);
    t += s64(s.m_ImageKey.m_OffsetFrame) - s.m_ImageKey.m_Time;
    if (t < 0) t = 0;
    if (s.m_ImageKey.m_LoopMode != 0) t %= nested.m_EndTime >= 2 ? s64(nested.m_EndTime) : 1;
    return s32(std::min<s64>(t, INT32_MAX));
}

GxVector4 TransformPoint(const GxVector4& p, const GxMatrix& m) {
    const GxVector3 v = GxVector3(p.x, p.y, p.z).Transform(m);
    return GxVector4(v.x, v.y, v.z, 0);
}

} // namespace

GxNcMotionSnapShotEx::GxNcMotionSnapShotEx() = default;
GxNcMotionSnapShotEx::~GxNcMotionSnapShotEx() = default;

void GxNcMotionSnapShotEx::Update(const GxNcProject* project, const GxNcMotion* motion, s32 time,
                                  const GxVector4& offset, const GxMatrix* parent, const GxFColor& tint, int depth,
                                  GxNcSnapShotListener* listener) {
    if (!motion) return;
    m_Time = time;
    m_Period = motion->GetPeriod();
    m_pMotion = motion;
    m_Offset = offset;
    // Sized to the motion: a motion with fewer layers than the last one
    // must not leave the old layers behind to be drawn.
    m_Layers.resize(motion->m_LayerList.size());
    for (size_t i = 0; i < m_Layers.size(); ++i) {
        GxNcLayerSnapShotEx& s = m_Layers[i];
        const GxNcLayer& l = *motion->m_LayerList[i];
        s.m_Time = time;
        s.m_Period = m_Period;
        s.m_pLayer = &l;
        const s32 P = m_Period, last = l.m_LastTime;
        const u32 L = l.m_LoopMode;
        GxNcEvalStep(l.m_ImageTrack, time, P, L, last, DefaultKey<GxNcImageKey>(), &s.m_ImageKey);
        GxNcEvalInterpolated(l.m_PosTrack, time, P, L, last, DefaultKey<GxNcVector4Key>(), &s.m_PosKey);
        GxNcEvalInterpolated(l.m_ScaleTrack, time, P, L, last, DefaultKey<GxNcVector4Key>(), &s.m_ScaleKey);
        GxNcEvalInterpolated(l.m_RotTrack, time, P, L, last, DefaultKey<GxNcVector4Key>(), &s.m_RotKey);
        GxNcEvalInterpolated(l.m_CenterTrack, time, P, L, last, DefaultKey<GxNcVector4Key>(), &s.m_CenterKey);
        GxNcEvalStep(l.m_ScaleFactorTrack, time, P, L, last, DefaultScaleFactor(), &s.m_ScaleFactorKey);
        GxNcEvalInterpolated(l.m_AlphaTrack, time, P, L, last, DefaultKey<GxNcFloatKey>(), &s.m_AlphaKey);
        GxNcEvalStep(l.m_VisibleTrack, time, P, L, last, DefaultKey<GxNcUIntKey>(), &s.m_VisibleKey);
        GxNcEvalInterpolated(l.m_VertexOffsetTrack, time, P, L, last, DefaultKey<GxNcVertexKey>(),
                             &s.m_VertexOffsetKey);
        GxNcEvalInterpolated(l.m_VertexColorTrack, time, P, L, last, DefaultKey<GxNcVertexKey>(),
                             &s.m_VertexColorKey);
    }
    Combine(motion->GetRootNode(), 1, parent ? *parent : kGxMatrixIdentity);
    for (GxNcLayerSnapShotEx& s : m_Layers) Finish(s, project, tint, depth, listener);
    if (!listener) return;
    if (const GxNcSoundKey* k = GxNcFindFiringKey(motion->m_SoundTrack, time)) listener->OnSoundKey(this, depth, 0, *k);
    for (int track = 0; track < GxNcMotion::kEventTrackCount; ++track)
        if (const GxNcEventKey* k = GxNcFindFiringKey(motion->m_EventTrack[track], time))
            listener->OnEventKey(this, depth, track, *k);
}

void GxNcMotionSnapShotEx::Combine(GxNcLayerNode* first, u32 blendMode, const GxMatrix& parent) {
    for (GxNcLayerNode* node = first; node; node = static_cast<GxNcLayerNode*>(node->m_Next)) {
        if (node->m_LayerIndex < 0 || size_t(node->m_LayerIndex) >= m_Layers.size()) {
            if (!node->m_Reported) {
                GxWriteErrorLog(u"GxNcMotionSnapShotEx::CreateCombinedParam_Sub/Layer:%s Tree is not prepared\n",
                                node->m_LayerName);
                node->m_Reported = true;
            }
            return;
        }
        GxNcLayerSnapShotEx& s = m_Layers[size_t(node->m_LayerIndex)];
        const GxVector4 &pos = s.m_PosKey.m_Value, &rot = s.m_RotKey.m_Value, &scale = s.m_ScaleKey.m_Value,
                        &pivot = s.m_CenterKey.m_Value;
        const GxVector2& factor = s.m_ScaleFactorKey.m_Value;
        s.m_MatLocal.Compose(GxVector3(pos.x, pos.y, pos.z),
                             GxVector3(rot.x * kKeyDegToRad, rot.y * kKeyDegToRad, rot.z * kKeyDegToRad),
                             GxVector3(scale.x * factor.x, scale.y * factor.y, scale.z),
                             GxVector3(pivot.x, pivot.y, pivot.z));
        s.m_MatWorld = s.m_MatLocal * parent;
        s.m_BlendMode = s.m_pLayer->m_BlendMode != 0 ? s.m_pLayer->m_BlendMode : blendMode;
        Combine(static_cast<GxNcLayerNode*>(node->m_FirstChild), s.m_BlendMode, s.m_MatWorld);
    }
}

void GxNcMotionSnapShotEx::Finish(GxNcLayerSnapShotEx& s, const GxNcProject* project, const GxFColor& tint,
                                  int depth, GxNcSnapShotListener* listener) {
    for (int i = 0; i < 5; ++i) {
        const GxVector4& v = s.m_VertexColorKey.m_Value[i];
        s.m_Color[i] = GxFColor(v.x, v.y, v.z, v.w * s.m_AlphaKey.m_Value) * tint;
    }
    const GxNcImageKey& key = s.m_ImageKey;
    bool nestedShown = false;
    if (const GxNcCrammedPattern* p = ResolvedPattern(key)) {
        SetPatternQuad(s, *p, *key.m_pOriginImage);
    } else if (key.m_ImageSetName.empty()) {
        SetSquare(s, f32(key.m_Width), f32(key.m_Height));
        SetDefaultUV(s);
        if (!key.m_MotionGroupName.empty() && depth >= 1 && project) {
            if (const GxNcMotion* nested = project->FindMotion(key.m_MotionGroupName, key.m_MotionName)) {
                if (!s.m_pNested) s.m_pNested = std::make_unique<GxNcMotionSnapShotEx>();
                s.m_pNested->Update(project, nested, NestedTime(s, *nested), m_Offset, &s.m_MatWorld, s.m_Color[0],
                                    depth - 1, listener);
                nestedShown = true;
            }
        }
    } else {
        SetSquare(s, 64, 64);
        SetDefaultUV(s);
    }
    if (!nestedShown) s.m_pNested.reset();
    for (GxVector4& p : s.m_Pos) {
        p = TransformPoint(p, s.m_MatWorld);
        p = GxVector4(p.x + m_Offset.x, p.y + m_Offset.y, p.z + m_Offset.z, 0);
    }
}

void GxNcMotionSnapShotEx::Draw(const GxMatrix& matrix, f32 alphaFactor, const GxFColor& tint,
                                const GxFColor& secondColour, u32 blendOverride, u32 filterOverride,
                                GxNcSnapShotDrawHook* hook) {
    GxFColor t = tint;
    t.a *= alphaFactor;
    const u32 second = secondColour.ToARGB();
    const u32 seconds[5] = {second, second, second, second, second};
    for (size_t n = m_Layers.size(); n-- > 0;) {
        GxNcLayerSnapShotEx& s = m_Layers[n];
        if (hook && hook->DrawLayer(this, &s, matrix, alphaFactor, tint, secondColour, blendOverride)) continue;
        const GxNcLayer* l = s.m_pLayer;
        const GxNcImageKey& key = s.m_ImageKey;
        if (!l || l->m_EditVisible == 0 || l->m_LayerType == 1 || l->m_LayerType == 2) continue;
        if ((key.m_ImageSetName.empty() && key.m_MotionGroupName.empty()) || s.m_VisibleKey.m_Value == 0) continue;
        if (s.m_pNested) {
            s.m_pNested->Draw(matrix, alphaFactor, tint, secondColour, blendOverride, 0, nullptr);
            continue;
        }
        const GxNcCrammedPattern* p = ResolvedPattern(key);
        GxTexture* atlas = AtlasTexture(p);
        if (!atlas) continue;
        GxVector4 points[5];
        u32 colours[5];
        for (int i = 0; i < 5; ++i) {
            points[i] = TransformPoint(s.m_Pos[i], matrix);
            colours[i] = (s.m_Color[i] * t).ToARGB();
        }
        GxSetTextureFilter(prender::filter(filterOverride ? filterOverride : l->m_FilterMode));
        GxSetCullMode(prender::cull::none);
        GxDrawNcLayerQuad(atlas, points, s.m_UV, colours, seconds, nullptr, blendOverride ? blendOverride : s.m_BlendMode);
    }
}
