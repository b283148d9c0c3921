#include "layers/GxTaskActor.h"

#include "base/GxLog.h"
#include "base/GxRuntimeRandom.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLerp.h"

#include <algorithm>
#include <cmath>

namespace {

GxVector3 Xyz(const GxVector4& v) { return GxVector3(v.x, v.y, v.z); }
GxVector4 Xyzw(const GxVector3& v) { return GxVector4(v.x, v.y, v.z, 0); }

// The blend of start and end at t, stored as x, y, z with w 0.
GxVector4 Blend(const GxActionParam& a, f32 t) { return Xyzw(a.m_Start * (1.0f - t) + a.m_End * t); }

// The progress of an action after its time was stepped, shaped by its mode.
f32 Progress(const GxActionParam& a) {
    f32 t = 1.0f;
    if (a.m_TimeTotal >= 1) t = std::clamp(f32(s64(a.m_TimeTotal) - a.m_TimeLeft) / f32(a.m_TimeTotal), 0.0f, 1.0f);
    switch (a.m_InterMode) {
    case 2: return GxLerpPow(0, 1, t, 0.4f);
    case 3: return GxLerpPow(0, 1, t, -0.4f);
    case 4: return GxLerpSin2Pi(0, 1, t, -1.0f);
    default: return t;
    }
}

} // namespace

GxTaskActor::GxTaskActor(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskFolder(parent, name, localName, localIndex) {
    TypeBits |= kGxTypeActor;
}

GxTaskActor::~GxTaskActor() = default;

int GxTaskActor::Update(int, s64 elapsed) {
    UpdateActions(GxTruncToS32(f64(elapsed / 1000)));
    return 0;
}

void GxTaskActor::GetPos(GxVector4* out) const {
    if (out) *out = Xyzw(Xyz(m_Visual.m_Pos));
}

void GxTaskActor::GetWorldPos(GxVector4* out) const {
    if (!out) return;
    GxVector4 base;
    if (m_Parent) m_Parent->GetWorldPos(&base);
    *out = Xyzw(Xyz(base) + Xyz(m_Visual.m_Pos) + Xyz(m_Visual.m_ShakeOffsetPos));
}

void GxTaskActor::GetScale(GxVector4* out) const {
    if (out) *out = Xyzw(Xyz(m_Visual.m_Scale));
}

void GxTaskActor::GetRot(GxVector4* out) const {
    if (out) *out = Xyzw(Xyz(m_Visual.m_Rot));
}

void GxTaskActor::GetCenterPos(GxVector4* out) const {
    if (out) *out = Xyzw(Xyz(m_Visual.m_CenterPos));
}

void GxTaskActor::GetColor(f32 out[4]) const {
    if (!out) return;
    out[0] = m_Visual.m_Color0.r;
    out[1] = m_Visual.m_Color0.g;
    out[2] = m_Visual.m_Color0.b;
    out[3] = m_Visual.m_Color0.a;
}

void GxTaskActor::AddAction(int channel, const GxActionParam& action) {
    if (channel < 0 || channel >= kChannelCount) return;
    m_ActionList[channel].push_back(action);
}

bool GxTaskActor::UpdateActions(s32 ms) {
    const bool left0 = StepChannel(0, ms);
    const bool left1 = StepChannel(1, ms);
    return left0 || left1;
}

bool GxTaskActor::IsActionFinished() const { return m_ActionList[0].empty() && m_ActionList[1].empty(); }

void GxTaskActor::ClearActions() {
    m_ActionList[0].clear();
    m_ActionList[1].clear();
}

void GxTaskActor::FinishActions() {
    while (!IsActionFinished()) UpdateActions(10000);
    m_Visual.m_ShakeOffsetPos.x = m_Visual.m_ShakeOffsetPos.y = m_Visual.m_ShakeOffsetPos.z = 0;
}

bool GxTaskActor::StepChannel(int channel, s32 dt) {
    std::deque<GxActionParam>& q = m_ActionList[channel];
    dt = std::max(dt, 0);
    while (!q.empty()) {
        GxActionParam& a = q.front();
        if (!a.m_InitCompleted) {
            a.m_InitCompleted = true;
            Capture(a);
        }
        // Time already overdue (a stored action may carry a negative one)
        // ends the action now instead of lengthening this step.
        a.m_TimeLeft = std::max(a.m_TimeLeft, 0);
        if (a.m_TimeLeft < dt) {
            dt -= a.m_TimeLeft;
            a.m_TimeLeft = 0;
        } else {
            a.m_TimeLeft -= dt;
            dt = 0;
        }
        const bool atEnd = a.m_TimeLeft <= 0;
        const s32 type = a.m_ActionType;
        Apply(a, Progress(a), atEnd);
        if (atEnd) {
            if (type == kGxActionShake)
                m_Visual.m_ShakeOffsetPos.x = m_Visual.m_ShakeOffsetPos.y = m_Visual.m_ShakeOffsetPos.z = 0;
            if (!q.empty()) q.pop_front();
        }
        if (dt <= 0) break;
    }
    return !q.empty();
}

void GxTaskActor::Capture(GxActionParam& a) {
    switch (a.m_ActionType) {
    case kGxActionAlpha: a.m_Start.x = f32(m_Visual.m_Alpha); break;
    case kGxActionMove: a.m_Start = Xyz(m_Visual.m_Pos); break;
    case kGxActionScale: a.m_Start = Xyz(m_Visual.m_Scale); break;
    case kGxActionRotate: a.m_Start = Xyz(m_Visual.m_Rot); break;
    case kGxActionMoveBy:
        a.m_Start = Xyz(m_Visual.m_Pos);
        a.m_End += a.m_Start;
        break;
    case kGxActionScaleBy:
        a.m_Start = Xyz(m_Visual.m_Scale);
        a.m_End += a.m_Start;
        break;
    case kGxActionRotateBy:
        a.m_Start = Xyz(m_Visual.m_Rot);
        a.m_End += a.m_Start;
        break;
    case kGxActionShow:
    case kGxActionHide:
    case kGxActionShake:
    case kGxActionSetAlpha:
    case kGxActionSetColor0:
    case kGxActionSetColor1:
    case kGxActionSetBlendMode: a.m_Start = GxVector3(); break;
    default: break;
    }
}

void GxTaskActor::Apply(GxActionParam& a, f32 t, bool atEnd) {
    switch (a.m_ActionType) {
    case kGxActionAlpha: m_Visual.m_Alpha = GxTruncToS32((1.0f - t) * a.m_Start.x + t * a.m_End.x); return;
    case kGxActionMove:
    case kGxActionMoveBy: m_Visual.m_Pos = Blend(a, t); return;
    case kGxActionScale:
    case kGxActionScaleBy: m_Visual.m_Scale = Blend(a, t); return;
    case kGxActionRotate:
    case kGxActionRotateBy: m_Visual.m_Rot = Blend(a, t); return;
    case kGxActionShake:
        if (m_FrameCount % 2 == 0) ApplyShake(a);
        return;
    default: break;
    }
    if (!atEnd) return;
    switch (a.m_ActionType) {
    case kGxActionShow: m_Visual.m_Visible = true; break;
    case kGxActionHide: m_Visual.m_Visible = false; break;
    case kGxActionSetAlpha: m_Visual.m_Alpha = GxTruncToS32(a.m_End.x); break;
    case kGxActionSetColor0:
        m_Visual.m_Color0.r = a.m_End.x, m_Visual.m_Color0.g = a.m_End.y, m_Visual.m_Color0.b = a.m_End.z;
        break;
    case kGxActionSetColor1:
        m_Visual.m_Color1.r = a.m_End.x, m_Visual.m_Color1.g = a.m_End.y, m_Visual.m_Color1.b = a.m_End.z;
        break;
    case kGxActionSetBlendMode: m_Visual.m_BlendMode = GxTruncToS32(a.m_End.x); break;
    case kGxActionSystemSound: GxLayerServices::Get().PlaySystemSound(GxTruncToS32(a.m_End.x), 0); break;
    case kGxActionSuspend: Suspend(); break;
    case kGxActionSuspendChildren: SuspendChildren(); break;
    case kGxActionKill: Kill(); break;
    case kGxActionKillChildren: KillChildren(); break;
    default: break;
    }
}

void GxTaskActor::ApplyShake(const GxActionParam& a) {
    const s64 turn = 20 * ((s64(a.m_TimeTotal) - a.m_TimeLeft) / 16);
    const f32 angle = f32((GxRuntimeRandom::Next() % 360) + turn);
    const f32 s = std::sin(angle * kGxDegToRad);
    const f32 rx = f32(GxRuntimeRandom::Next() % 10000) * s;
    m_Visual.m_ShakeOffsetPos.x = f32(GxTruncToS32(f64(rx) / 10000.0 * a.m_End.x));
    const f32 angle2 = f32((GxRuntimeRandom::Next() % 360) + turn);
    const s32 r = GxRuntimeRandom::Next() % 10000;
    const f32 c = std::cos(angle2 * kGxDegToRad);
    m_Visual.m_ShakeOffsetPos.y = f32(GxTruncToS32(f64(c) * r / 10000.0 * a.m_End.y));
}

bool GxTaskActor::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskFolder::WriteContent(w);
    if (!w) return false;
    ok = m_Visual.Write(w) && ok;
    for (std::deque<GxActionParam>& list : m_ActionList) {
        w->WriteListBegin("m_ActionList", "", u32(list.size()));
        for (GxActionParam& a : list) {
            w->WriteListElementBegin();
            a.Write(w);
            w->WriteListElementEnd();
        }
        w->WriteListEnd();
    }
    w->Write("m_ActionPause", m_ActionPause);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskActor::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskFolder::ReadContent(r);
    if (!r) return false;
    ok = m_Visual.Read(r) && ok;
    // Type, time left and in all, start, end, curve, its parameter, the
    // first-step flag.
    constexpr u32 kActionBytes = GxContentMinReadBytes(kGxValS32, kGxValS32, kGxValS32, kGxValVector3,
                                                       kGxValVector3, kGxValU32, kGxValS32, kGxValBool);
    for (std::deque<GxActionParam>& list : m_ActionList) {
        u32 count = 0;
        r->ReadListBegin("m_ActionList", &count);
        // Reading stops at the first damage: what follows would be out of
        // step. A count beyond what the bytes left could hold is damage too.
        if (r->GetErrorCount() != 0) return false;
        if (!r->CanHold(count, kActionBytes)) {
            r->ComplainAbout(GxFormat(u"GxTaskActor::ReadContent/m_ActionListの要素数が不正です(%u)\n", count));
            return false;
        }
        std::deque<GxActionParam> read;
        for (u32 i = 0; i < count && r->GetErrorCount() == 0; ++i) {
            GxActionParam a;
            r->ReadListElementBegin();
            a.Read(r);
            r->ReadListElementEnd();
            read.push_back(a);
        }
        r->ReadListEnd();
        list.swap(read);
    }
    r->Read("m_ActionPause", &m_ActionPause);
    return ok && r->GetErrorCount() == 0;
}
