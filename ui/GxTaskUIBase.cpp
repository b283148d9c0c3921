#include "ui/GxTaskUIBase.h"

#include "base/GxLog.h"
#include "graphics/GxFontMapText.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxShowTipHelp.h"
#include "ui/GxUIText.h"

#include <algorithm>

namespace {

constexpr s32 kVirtualScreenWidth = 1024;
constexpr s32 kVirtualScreenHeight = 768;

// Milliseconds of a step's elapsed microseconds.
s64 Millis(s64 elapsed) { return elapsed / 1000; }

GxCoreBase* CoreOf(const GxTaskBase* task) {
    GxTaskManage* m = task->GetTaskManage();
    return (m && m->GetCore()) ? m->GetCore() : GxCoreBase::GetCoreBase();
}

// The widget and its widget ancestors, nearest first, until pred says stop.
template <class F>
bool AnyInTree(const GxTaskUIBase* w, F&& pred) {
    for (const GxTaskBase* t = w; t; t = t->GetParent()) {
        const GxTaskUIBase* u = GxTaskUIBase::FromTask(t);
        if (!u) return false;
        if (pred(*u)) return true;
    }
    return false;
}

} // namespace

GxTaskUIBase::GxTaskUIBase(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskActor(parent, name, localName, localIndex) {
    TypeBits |= kGxTypeUI;
}

GxTaskUIBase::~GxTaskUIBase() = default;

GxTaskUIBase* GxTaskUIBase::FromTask(GxTaskBase* task) {
    return (task && (task->TypeBits & kGxTypeUI)) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

const GxTaskUIBase* GxTaskUIBase::FromTask(const GxTaskBase* task) {
    return (task && (task->TypeBits & kGxTypeUI)) ? dynamic_cast<const GxTaskUIBase*>(task) : nullptr;
}

s32 GxTaskUIBase::GetUIDepth(const GxTaskBase* task) {
    s32 depth = 0;
    for (const GxTaskBase* t = task ? task->GetParent() : nullptr; t; t = t->GetParent())
        if (t->TypeBits & kGxTypeUI) ++depth;
    return depth;
}

bool GxTaskUIBase::PassesModalLevel(const GxTaskBase* task, s32 modalLevel) {
    if (modalLevel <= 0 || GetUIDepth(task) >= modalLevel) return true;
    const GxTaskUIBase* w = FromTask(task);
    return w && w->GetModalPriorityInTree() >= modalLevel;
}

// ---- task operations -------------------------------------------------------

void GxTaskUIBase::OnStartSequence(int) {
    LoadImages();
    ResetEventState();
}

void GxTaskUIBase::OnEndSequence(int) {
    ClearUIEvents();
    if (m_AutoReleaseImageFlag) ReleaseImages();
}

int GxTaskUIBase::Update(int, s64 elapsed) {
    const bool wasIdle = IsActionFinished();
    UpdateActions(GxTruncToS32(f64(Millis(elapsed))));
    // The mask leaves out the tests that an ending action itself would fail
    // (still active, modal, main phase, pending change).
    if (!wasIdle && IsActionFinished() && CanOperate(0x3a) && IsEventReported(UIEVENT_ACTION_END)) {
        const GxUIEventParam ev(UIEVENT_ACTION_END, this, 0);
        DispatchUIEvent(&ev);
    }
    return 0;
}

int GxTaskUIBase::EnqueueRender(int, s64) {
    GxCoreBase* core = CoreOf(this);
    const GxTaskManage* manager = GetTaskManage();
    const GxTaskBase* resident = manager ? manager->GetRootTree() : nullptr;
    bool inResident = false;
    for (const GxTaskBase* t = this; t && resident && !inResident; t = t->GetParent()) inResident = t == resident;
    const bool topMost = IsTopMostInTree();
    const int index = inResident ? (topMost ? kGxUIResidentTopMostRenderList : kGxUIResidentRenderList)
                                 : (topMost ? kGxUITopMostRenderList : kGxUIRenderList);
    GxTaskRenderManage* list = core ? core->GetRenderList(index) : nullptr;
    if (list) list->AddTask(GxTaskRenderManage::kSortAscending, this, m_Visual.m_OrderZ, 0);
    return 0;
}

void GxTaskUIBase::Hide() {
    m_Visual.m_Visible = false;
    ResetEventState();
}

void GxTaskUIBase::Show() {
    m_Visual.m_Visible = true;
    ResetEventState();
}

// ---- stored form -------------------------------------------------------------

bool GxTaskUIBase::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskActor::WriteContent(w);
    if (!w) return false;
    w->Write("m_Enabled", m_Enabled);
    w->Write("m_Value", m_Value);
    w->Write("m_Max", m_Max);
    w->Write("m_Min", m_Min);
    w->Write("m_Change", m_Change);
    w->Write("m_GroupID", m_GroupID);
    w->Write("m_ModuleID", m_ModuleID);
    w->Write("m_Text", m_Text);
    w->Write("m_Label", m_Label);
    w->Write("m_SystemSoundID", m_SystemSoundID);
    w->Write("m_AutoHelpTime", m_AutoHelpTime);
    w->Write("m_Descript", m_Descript);
    w->Write("m_Width", m_Width);
    w->Write("m_Height", m_Height);
    w->Write("m_ClientLeft", m_ClientLeft);
    w->Write("m_ClientTop", m_ClientTop);
    w->Write("m_ClientWidth", m_ClientWidth);
    w->Write("m_ClientHeight", m_ClientHeight);
    w->Write("m_ShapeType", m_ShapeType);
    w->Write("m_AnimeSpeed", m_AnimeSpeed);
    w->Write("m_ModalFlag", m_ModalFlag);
    w->Write("m_ModalPriority", m_ModalPriority);
    w->Write("m_TopMostFlag", m_TopMostFlag);
    w->Write("m_ImageAlpha", m_ImageAlpha);
    w->Write("m_EventState", m_EventState);
    w->Write("m_HoverCount", m_HoverCount);
    w->Write("m_EventReportFlags", m_EventReportFlags);
    w->Write("m_EventBlockFlag", m_EventBlockFlag);
    w->Write("m_MouseMoveBlockFlag", m_MouseMoveBlockFlag);
    w->Write("m_AutoReleaseImageFlag", m_AutoReleaseImageFlag);
    w->Write("m_LockCount", m_LockCount);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIBase::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskActor::ReadContent(r);
    if (!r) return false;
    r->Read("m_Enabled", &m_Enabled);
    r->Read("m_Value", &m_Value);
    r->Read("m_Max", &m_Max);
    r->Read("m_Min", &m_Min);
    r->Read("m_Change", &m_Change);
    r->Read("m_GroupID", &m_GroupID);
    r->Read("m_ModuleID", &m_ModuleID);
    r->Read("m_Text", &m_Text);
    r->Read("m_Label", &m_Label);
    r->Read("m_SystemSoundID", &m_SystemSoundID);
    r->Read("m_AutoHelpTime", &m_AutoHelpTime);
    r->Read("m_Descript", &m_Descript);
    r->Read("m_Width", &m_Width);
    r->Read("m_Height", &m_Height);
    r->Read("m_ClientLeft", &m_ClientLeft);
    r->Read("m_ClientTop", &m_ClientTop);
    r->Read("m_ClientWidth", &m_ClientWidth);
    r->Read("m_ClientHeight", &m_ClientHeight);
    r->Read("m_ShapeType", &m_ShapeType);
    r->Read("m_AnimeSpeed", &m_AnimeSpeed);
    r->Read("m_ModalFlag", &m_ModalFlag);
    r->Read("m_ModalPriority", &m_ModalPriority);
    r->Read("m_TopMostFlag", &m_TopMostFlag);
    r->Read("m_ImageAlpha", &m_ImageAlpha);
    r->Read("m_EventState", &m_EventState);
    r->Read("m_HoverCount", &m_HoverCount);
    r->Read("m_EventReportFlags", &m_EventReportFlags);
    r->Read("m_EventBlockFlag", &m_EventBlockFlag);
    r->Read("m_MouseMoveBlockFlag", &m_MouseMoveBlockFlag);
    r->Read("m_AutoReleaseImageFlag", &m_AutoReleaseImageFlag);
    r->Read("m_LockCount", &m_LockCount);
    // A damaged save's negative count would lock the widget for good: no
    // Unlock could bring it back above 0.
    if (m_LockCount < 0) m_LockCount = 0;
    m_HoverTime = 0;
    m_Drag.Reset();
    return ok && r->GetErrorCount() == 0;
}

// ---- values, texts, flags ------------------------------------------------------

void GxTaskUIBase::ResetEventState() {
    m_EventState = 0;
    m_HoverCount = 0;
    m_HoverTime = 0;
}

void GxTaskUIBase::ApplyModuleRecord(const DBUIModuleRecord& m) {
    m_ModuleID = m.ID;
    m_Width = m.Width;
    m_Height = m.Height;
    m_ClientLeft = m.ClientLeft;
    m_ClientTop = m.ClientTop;
    m_ClientWidth = m.ClientWidth;
    m_ClientHeight = m.ClientHeight;
    m_ShapeType = m.ShapeType;
    m_AnimeSpeed = m.AnimeSpeed;
}

void GxTaskUIBase::ApplyLayoutRecord(const DBUILayoutRecord& l) {
    m_Visual.m_Visible = l.Visible != 0;
    m_Enabled = l.Enabled != 0;
    // The range before the value, so that a widget's clamp sees the new range.
    SetMax(l.Max);
    SetMin(l.Min);
    SetValueInt(l.Value);
    m_GroupID = l.GroupID;
    SetText(l.Text.c_str());
    m_Label = l.Label;
    m_SystemSoundID = l.SystemSoundID;
    m_AutoHelpTime = l.AutoHelpTime;
    m_Descript = l.Descript;
    m_Visual.m_Pos.x = l.Left;
    m_Visual.m_Pos.y = l.Top;
    m_Visual.m_OrderZ = l.OrderZ;
}

s32 GxTaskUIBase::GetValueInt() const { return GxTruncToS32(GetValue()); }

s32 GxTaskUIBase::GetValueRounded() const {
    const f64 v = GetValue();
    if (m_Max > 0 && m_Min >= 0) return std::min(GxTruncToS32(v + 0.5), GxTruncToS32(m_Max));
    if (m_Max < 0 && m_Min <= 0) return std::max(GxTruncToS32(v - 0.5), GxTruncToS32(m_Min));
    return GxTruncToS32(v);
}

void GxTaskUIBase::SetClientRect(int left, int top, int width, int height) {
    m_ClientLeft = left;
    m_ClientTop = top;
    m_ClientWidth = width;
    m_ClientHeight = height;
}

void GxTaskUIBase::SetText(const GxChar* text) { m_Text = text ? text : u""; }
void GxTaskUIBase::SetLabel(const GxChar* label) { m_Label = label ? label : u""; }
void GxTaskUIBase::SetDescript(const GxChar* descript) { m_Descript = descript ? descript : u""; }

void GxTaskUIBase::SetEventReportFlag(int n) { m_EventReportFlags |= 1u << (u32(n) & 31u); }

void GxTaskUIBase::ClearEventReportFlag(int n) {
    if (n < 0 || n > 31) return;
    m_EventReportFlags &= ~(1u << n);
}

bool GxTaskUIBase::IsEventReported(int n) const { return n >= 0 && n <= 31 && (m_EventReportFlags >> n & 1u) != 0; }

void GxTaskUIBase::CenterX(int offset) {
    GxTaskBase* p = GetParent();
    const s32 parentWidth = (p && (p->TypeBits & kGxTypeActor)) ? static_cast<GxTaskActor*>(p)->GetWidth()
                                                                : kVirtualScreenWidth;
    m_Visual.m_Pos.x = f32((s64(parentWidth) - GetWidth()) / 2 + offset);
}

void GxTaskUIBase::CenterY(int offset) {
    GxTaskBase* p = GetParent();
    const s32 parentHeight = (p && (p->TypeBits & kGxTypeActor)) ? static_cast<GxTaskActor*>(p)->GetHeight()
                                                                 : kVirtualScreenHeight;
    m_Visual.m_Pos.y = f32((s64(parentHeight) - GetHeight()) / 2 + offset);
}

void GxTaskUIBase::Unlock() {
    if (m_LockCount > 0) --m_LockCount;
}

// ---- tree queries ----------------------------------------------------------------

bool GxTaskUIBase::IsVisibleInTree() const {
    return !AnyInTree(this, [](const GxTaskUIBase& u) { return !u.IsVisible(); });
}

bool GxTaskUIBase::IsEnabledInTree() const {
    return !AnyInTree(this, [](const GxTaskUIBase& u) { return !u.IsEnabled(); });
}

bool GxTaskUIBase::IsActionIdleInTree() const {
    return !AnyInTree(this, [](const GxTaskUIBase& u) { return !u.IsActionFinished(); });
}

s32 GxTaskUIBase::GetModalPriorityInTree() const {
    s32 best = 0;
    bool any = false;
    AnyInTree(this, [&](const GxTaskUIBase& u) {
        if (u.GetModalFlag() && (!any || u.GetModalPriority() > best)) best = u.GetModalPriority(), any = true;
        return false;
    });
    return best;
}

bool GxTaskUIBase::IsTopMostInTree() const {
    return AnyInTree(this, [](const GxTaskUIBase& u) { return u.GetTopMostFlag(); });
}

s32 GxTaskUIBase::GetAlphaInTree() const {
    f64 alpha = GetAlpha();
    for (const GxTaskBase* t = GetParent(); t; t = t->GetParent()) {
        const GxTaskUIBase* u = FromTask(t);
        if (!u) break;
        alpha = alpha * u->GetAlpha() / 255.0;
    }
    return GxTruncToS32(alpha);
}

bool GxTaskUIBase::IsLockedInTree() const {
    return AnyInTree(this, [](const GxTaskUIBase& u) { return u.GetLockCount() > 0; });
}

// ---- hit tests -------------------------------------------------------------------

bool GxTaskUIBase::HitTest(const GxVector4* w, f32 x, f32 y) {
    if (!w) return false;
    const f32 right = w->x + f32(m_Width), bottom = w->y + f32(m_Height);
    return w->x <= x && x < right && w->y <= y && y < bottom;
}

bool GxTaskUIBase::HitTestClient(const GxVector4* w, f32 x, f32 y) {
    if (!w) return false;
    const f32 left = w->x + f32(m_ClientLeft), top = w->y + f32(m_ClientTop);
    const f32 right = left + f32(m_ClientWidth), bottom = top + f32(m_ClientHeight);
    return left <= x && x < right && top <= y && y < bottom;
}

bool GxTaskUIBase::IsInside(const GxVector2& p) {
    GxVector4 w;
    GetWorldPos(&w);
    return HitTest(&w, p.x, p.y);
}

bool GxTaskUIBase::IsInsideClient(const GxVector2& p) {
    GxVector4 w;
    GetWorldPos(&w);
    return HitTestClient(&w, p.x, p.y);
}

// ---- tool tip and events ----------------------------------------------------------

void GxTaskUIBase::UpdateAutoHelp(s64 elapsed, const GxVector2* pointer) {
    if (m_HoverCount == 0 || m_AutoHelpTime == -1) {
        m_HoverTime = 0;
        return;
    }
    const s64 ms = Millis(elapsed);
    const s64 after = s64(m_HoverTime) + ms;
    if (m_HoverTime < m_AutoHelpTime && after >= m_AutoHelpTime) {
        const GxVector4 at(pointer ? pointer->x : 0.0f, pointer ? pointer->y : 0.0f, 0, 0);
        GxShowTipHelp(GetTaskManage(), m_Descript.c_str(), &at);
    }
    m_HoverTime = s32(std::clamp<s64>(after, 0, kGxUIHoverTimeMax));
}

bool GxTaskUIBase::PostUIEvent(int type) {
    const GxUIEventParam ev(type, this, 0);
    return DispatchUIEvent(&ev);
}

bool GxTaskUIBase::DispatchUIEvent(const GxUIEventParam* ev) {
    GxTaskFolder* receiver = m_Listener ? m_Listener : GetOwnerSequence();
    if (!receiver || !ev) return false;
    if (receiver->IsKilled() || receiver->IsSuspended()) return false;
    return receiver->OnUIEvent(this, ev);
}

bool GxTaskUIBase::RaiseEvent(s32 type, s32 param) {
    m_EventState = type;
    if (!IsEventReported(type)) return false;
    const GxUIEventParam ev(type, this, param);
    return DispatchUIEvent(&ev);
}

bool GxTaskUIBase::RaisePointerEvent(s32 type, const GxVector2& pointer, s32 param, u32 word, u8 flag) {
    m_EventState = type;
    if (!IsEventReported(type)) return false;
    GxUIEventParam ev(type, this, param);
    ev.m_Vector0 = GxVector4(pointer.x, pointer.y, 0, 0);
    GetWorldPos(&ev.m_Vector1);
    ev.m_Word = word;
    ev.m_Flag = flag;
    return DispatchUIEvent(&ev);
}

// ---- the standard pointer handling -------------------------------------------------

bool GxTaskUIBase::CanOperate(u32 ignoreMask) {
    GxSeqTaskBase* scene = GetOwnerSequence();
    return scene && scene->CanOperateUI(this, ignoreMask);
}

bool GxTaskUIBase::IsActiveInScene() {
    if (GxSeqTaskBase* scene = GetOwnerSequence()) return scene->IsUIWidgetActive(this);
    return !IsSuspended() && IsVisibleInTree();
}

GxVector2 GxTaskUIBase::GetPointer() const {
    GxCoreBase* core = CoreOf(this);
    if (!core) return GxVector2();
    const GxPoint2 p = core->GetCursorPos();
    return GxVector2(f32(p.x), f32(p.y));
}

int GxTaskUIBase::HandlePointerMove(const GxVector2& pointer, bool inside) {
    if (!CanOperate(0)) return 0;
    if (m_HoverCount == 0 && inside) {
        m_HoverCount = 1;
        RaisePointerEvent(UIEVENT_POINTER_ENTER, pointer);
    }
    return (m_MouseMoveBlockFlag && inside) ? 1 : 0;
}

int GxTaskUIBase::HandlePointerPress(const GxVector2& pointer, bool inside) {
    if (!CanOperate(0) || !inside) return 0;
    RaisePointerEvent(UIEVENT_DECIDE, pointer);
    // A press whose event is not reported is left to the tasks behind.
    return (IsEventReported(UIEVENT_DECIDE) && m_EventBlockFlag) ? 1 : 0;
}

void GxTaskUIBase::HandlePointerLeave(const GxVector2& pointer, bool inside) {
    if (m_HoverCount == 0 || m_Drag.m_Dragging || inside) return;
    m_HoverCount = 0;
    m_EventState = UIEVENT_POINTER_LEAVE;
    if (CanOperate(0)) RaisePointerEvent(UIEVENT_POINTER_LEAVE, pointer);
}

int GxTaskUIBase::UpdatePanel(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    const GxVector2 pointer = GetPointer();
    HandlePointerLeave(pointer, IsInside(pointer));
    UpdateAutoHelp(elapsed, &pointer);
    return 0;
}

// ---- drawing helpers ---------------------------------------------------------------

void GxTaskUIBase::ApplyClientDefaults() {
    if (m_ClientWidth == 0) m_ClientWidth = GxTruncToS32(f64(m_Width) - 2.0 * m_ClientLeft);
    if (m_ClientHeight == 0) m_ClientHeight = GxTruncToS32(f64(m_Height) - 2.0 * m_ClientTop);
}

GxMatrix GxTaskUIBase::ComposeWorldMatrix(const GxVector3& offset, bool withCentre) const {
    GxVector4 w;
    GetWorldPos(&w);
    const GxVector4& r = m_Visual.m_Rot;
    const GxVector4& s = m_Visual.m_Scale;
    const GxVector4& c = m_Visual.m_CenterPos;
    GxMatrix m;
    m.Compose(GxVector3(w.x, w.y, w.z) + offset, GxVector3(r.x * kGxDegToRad, r.y * kGxDegToRad, r.z * kGxDegToRad),
              GxVector3(s.x, s.y, s.z), withCentre ? GxVector3(c.x, c.y, c.z) : GxVector3());
    return m;
}

f64 GxTaskUIBase::ClampToRange(f64 v) const {
    if (v < m_Min) return m_Min;
    if (v > m_Max) return m_Max;
    return v;
}

f32 GxTaskUIBase::GetAlphaScale() const { return std::clamp(f32(m_Visual.m_Alpha) / 255.0f, 0.0f, 1.0f); }

f32 GxTaskUIBase::GetImageAlphaScale() const {
    return std::clamp(f32(m_ImageAlpha) / 255.0f, 0.0f, 1.0f) * GetAlphaScale();
}

void GxTaskUIBase::DrawGlyphAt(GxGDIFontMap* map, GxChar ch, const GxVector4& world, f32 x, f32 y,
                               const GxUIGlyphStyle& style) const {
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    GxUIDrawGlyph(map, ch, world.x + scale.x * x, world.y + scale.y * y, scale, style);
}

void GxTaskUIBase::DrawOutlinedText(GxGDIFontMap* map, const GxString& text, f32 x, f32 y, u32 colour,
                                    u32 secondColour, u32 edgeColour, u32 blendMode) {
    if (!map) return;
    const f32 around[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (const auto& d : around)
        GxDrawFontMapText(map, text.c_str(), x + d[0], y + d[1], nullptr, edgeColour, 0, blendMode, u'\n');
    GxDrawFontMapText(map, text.c_str(), x, y, nullptr, colour, secondColour, blendMode, u'\n');
}

void GxTaskUIBase::SetMaxKeepingValue(f64 v) {
    m_Max = v;
    if (m_Min > m_Value)
        m_Value = m_Min;
    else if (m_Value > v)
        m_Value = v;
    SetValue(m_Value);
}

void GxTaskUIBase::SetMinKeepingValue(f64 v) {
    m_Min = v;
    if (v > m_Value)
        m_Value = v;
    else if (m_Value > m_Max)
        m_Value = m_Max;
    SetValue(m_Value);
}

void GxTaskUIBase::BeginWidgetDraw() {
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    GxSetTextureFilter(prender::filter::point);
}

void GxTaskUIBase::LogImageMessage(const GxChar* format, const GxString& name) const {
    GxString path;
    GetTaskPath(&path);
    GxWriteErrorLog(format, name, path);
}
