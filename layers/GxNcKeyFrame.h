#pragma once
// Evaluating a key track of a layout-project layer at a time: interpolated
// tracks blend the two keys around the time through the earlier key's curve,
// step tracks hold the last key at or before it, and sound and event tracks
// fire a key only at its exact time. Looping wraps the time into a period.
// Everything here runs for every layer on every frame: it searches by
// halving and writes into the caller's record, allocating nothing once the
// record's strings have grown.
#include "layers/GxLerp.h"
#include "layers/GxNcValueKey.h"
#include "layers/GxNcVertexKey.h"

#include <vector>

// The index of the last key whose time is <= t (n >= 1, times ascending).
template <class Key>
size_t GxNcSearchKey(const std::vector<Key>& keys, s32 t) {
    size_t hi = keys.size() - 1;
    if (t <= keys[0].m_Time) return 0;
    if (t >= keys[hi].m_Time) return hi;
    s64 lo = 0, h = s64(hi);
    while (lo <= h) {
        const s64 mid = (lo + h) / 2;
        if (t < keys[size_t(mid)].m_Time) {
            h = mid - 1;
        } else if (t <= keys[size_t(mid) + 1].m_Time) {
            return keys[size_t(mid) + 1].m_Time == t ? size_t(mid) + 1 : size_t(mid);
        } else {
            lo = mid + 1;
        }
    }
    return 0;
}

// The time and period a looping track is evaluated at; false when the track
// gives its default key.
struct GxNcLoopTime {
    s64 t = 0;
    s64 period = 0;

    template <class Key>
    bool Prepare(const std::vector<Key>& track, s32 time, s32 period_, u32 loopMode, s32 lastTime) {
        if (track.empty() || period_ == 0) return false;
        t = time;
        period = period_;
        if (loopMode == 2) {
            if (lastTime >= 1) {
                period = lastTime;
            } else {
                period = 1;
                t = 0;
            }
        }
        if (loopMode != 0 && period > 0) t %= period;
        return true;
    }
};

// The shaped blend factor of an interpolation mode at f; false for the
// modes that hold the earlier key.
bool GxNcBlendFactor(u32 mode, f32 f, f32 p, f32* factor);

inline void GxNcBlendValue(GxNcVector4Key* out, const GxNcVector4Key& b, f32 k) {
    out->m_Value = out->m_Value + (b.m_Value - out->m_Value) * k;
}
inline void GxNcBlendValue(GxNcVector2Key* out, const GxNcVector2Key& b, f32 k) {
    out->m_Value.x += (b.m_Value.x - out->m_Value.x) * k;
    out->m_Value.y += (b.m_Value.y - out->m_Value.y) * k;
}
inline void GxNcBlendValue(GxNcFloatKey* out, const GxNcFloatKey& b, f32 k) {
    out->m_Value += (b.m_Value - out->m_Value) * k;
}
inline void GxNcBlendValue(GxNcVertexKey* out, const GxNcVertexKey& b, f32 k) {
    for (int i = 0; i < 5; ++i) out->m_Value[i] = out->m_Value[i] + (b.m_Value[i] - out->m_Value[i]) * k;
}

// An interpolated track at time t with period P and loop mode L.
template <class Key>
void GxNcEvalInterpolated(const std::vector<Key>& track, s32 time, s32 P, u32 L, s32 lastTime, const Key& def,
                          Key* out) {
    GxNcLoopTime lt;
    if (!lt.Prepare(track, time, P, L, lastTime)) {
        *out = def;
        return;
    }
    const s64 t = lt.t;
    const Key& first = track.front();
    const Key& last = track.back();
    const Key *a, *b;
    s64 ta, tb;
    if (t < first.m_Time) {
        if (L == 0) {
            *out = def;
            return;
        }
        a = &last, ta = s64(last.m_Time) - lt.period;
        b = &first, tb = first.m_Time;
    } else if (t > last.m_Time) {
        if (L == 0) {
            *out = last;
            return;
        }
        a = &last, ta = last.m_Time;
        b = &first, tb = s64(first.m_Time) + lt.period;
    } else {
        const size_t i = GxNcSearchKey(track, s32(t));
        a = &track[i], ta = a->m_Time;
        b = &track[(i + 1) % track.size()], tb = b->m_Time;
        if (tb < ta) tb += lt.period;
    }
    *out = *a;
    out->m_Time = s32(ta);
    if (a->m_InterMode == 0 || t == ta || ta == tb) return;
    f32 k;
    if (!GxNcBlendFactor(a->m_InterMode, f32(t - ta) / f32(tb - ta), a->m_InterParam0, &k)) return;
    GxNcBlendValue(out, *b, k);
}

// A step track: the last key at or before the time.
template <class Key>
void GxNcEvalStep(const std::vector<Key>& track, s32 time, s32 P, u32 L, s32 lastTime, const Key& def, Key* out) {
    GxNcLoopTime lt;
    if (!lt.Prepare(track, time, P, L, lastTime)) {
        *out = def;
        return;
    }
    if (lt.t < track.front().m_Time) {
        *out = L == 0 ? def : track.back();
        return;
    }
    *out = track[GxNcSearchKey(track, s32(lt.t))];
}

// The key of a sound or event track that fires at exactly time t, or null.
template <class Key>
const Key* GxNcFindFiringKey(const std::vector<Key>& track, s32 t) {
    if (track.empty()) return nullptr;
    const Key& k = track[t <= track.front().m_Time ? 0 : GxNcSearchKey(track, t)];
    return k.m_Time == t ? &k : nullptr;
}
