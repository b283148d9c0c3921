#include "ui/GxTaskUIButtonIs.h"

#include "base/GxLog.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcOriginImage.h"

#include <algorithm>

GxTaskUIButtonIs::GxTaskUIButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    TypeBits |= kGxTypeUIButton;
}

GxNcOriginImage* GxTaskUIButtonIs::GetImage(int slot) const {
    return slot >= 0 && slot < kImageSlotCount ? m_ImagePatterns[slot] : nullptr;
}

// ---- images ------------------------------------------------------------------

bool GxTaskUIButtonIs::LoadFaces(const GxChar* setMissing, const GxChar* imageMissing,
                                 std::initializer_list<const GxChar*> suffixes) {
    ReleaseImages();
    GxNcCrammedImageSet* set = GetImageSet(setMissing);
    if (!set) return false;
    int slot = 0;
    for (const GxChar* suffix : suffixes)
        if (slot < kImageSlotCount) m_ImagePatterns[slot++] = FindImage(set, suffix);
    if (!m_ImagePatterns[kFaceOff]) {
        LogImageMessage(imageMissing, m_ImageName + *suffixes.begin());
        return false;
    }
    return true;
}

void GxTaskUIButtonIs::ApplyFaceSize() {
    if (const GxNcCrammedPattern* first = m_ImagePatterns[kFaceOff]->GetPattern(0)) {
        if (m_Width == 0) m_Width = first->m_Width;
        if (m_Height == 0) m_Height = first->m_Height;
    }
    ApplyClientDefaults();
}

bool GxTaskUIButtonIs::LoadImages() {
    return LoadPushFaces(u"GxTaskUIButtonIs/ImageSet wasn't Loaded:%s [%s]\n",
                         u"GxTaskUIButtonIs/Image not found:%s [%s]\n");
}

bool GxTaskUIButtonIs::LoadPushFaces(const GxChar* setMissing, const GxChar* imageMissing) {
    if (!LoadFaces(setMissing, imageMissing, {u"_off.png", u"_on.png", u"_over.png", u"_na.png"})) return false;
    if (!m_ImagePatterns[kFaceOn]) m_ImagePatterns[kFaceOn] = m_ImagePatterns[kFaceOver];
    if (!m_ImagePatterns[kFaceNa]) m_ImagePatterns[kFaceNa] = m_ImagePatterns[kFaceOff];
    ApplyFaceSize();
    return true;
}

void GxTaskUIButtonIs::ReleaseImages() { std::fill(std::begin(m_ImagePatterns), std::end(m_ImagePatterns), nullptr); }

GxNcOriginImage* GxTaskUIButtonIs::GetFace(s32 index, int disabledSlot) const {
    if (!IsEnabled()) return GetImage(disabledSlot);
    GxNcOriginImage* face = GetImage(index);
    return face ? face : m_ImagePatterns[kFaceOff];
}

// ---- state -------------------------------------------------------------------

void GxTaskUIButtonIs::ResetEventState() {
    // The hover time keeps its value; the next update clears it when no
    // hover follows.
    m_EventState = 0;
    m_HoverCount = 0;
    m_ImageIndex = 0;
    m_PressShowCount = 0;
}

s32 GxTaskUIButtonIs::ChooseFace(bool allowed) const {
    if (m_EventState == UIEVENT_DECIDE || m_PressShowCount > 0) return kFaceOn;
    if (!allowed) return kFaceOff;
    return m_HoverCount != 0 ? kFaceOver : kFaceOff;
}

int GxTaskUIButtonIs::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    const GxVector2 pointer = GetPointer();
    HandlePointerLeave(pointer, IsInsideClient(pointer));
    m_ImageIndex = ChooseFace(CanOperate(0));
    m_EventState = 0;
    UpdateAutoHelp(elapsed, &pointer);
    if (m_PressShowCount > 0) --m_PressShowCount;
    return 0;
}

// ---- pointer -----------------------------------------------------------------

int GxTaskUIButtonIs::OnMouseMove(const GxVector2& pos, u32) { return HandlePointerMove(pos, IsInsideClient(pos)); }

void GxTaskUIButtonIs::OnPress() { m_PressShowCount = kPressShowFrames; }

int GxTaskUIButtonIs::RaiseClick(const GxVector2& pos, u32 keyFlags, bool doubleClick) {
    RaisePointerEvent(UIEVENT_DECIDE, pos, 0, keyFlags, doubleClick ? 1 : 0);
    return (IsEventReported(UIEVENT_DECIDE) && m_EventBlockFlag) ? 1 : 0;
}

int GxTaskUIButtonIs::OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) {
    if (!CanOperate(0) || !IsInsideClient(pos) || !CanPress()) return 0;
    m_EventState = UIEVENT_DECIDE;
    OnPress();
    return RaiseClick(pos, keyFlags, doubleClick);
}

// ---- drawing -------------------------------------------------------------------

void GxTaskUIButtonIs::DrawFace(const GxNcOriginImage* face, f32 alpha) {
    DrawCrammedPattern(m_PatternIndex, face, ComposeWorldMatrix(GxVector3()), alpha, m_Visual.m_Color0,
                       m_Visual.m_Color1, u32(m_Visual.m_BlendMode));
}

int GxTaskUIButtonIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    DrawFace(GetFace(m_ImageIndex, kFaceNa), GetImageAlphaScale());
    GxGraphics::EndScene();
    return 0;
}

// ---- stored form -----------------------------------------------------------------

bool GxTaskUIButtonIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIBase::WriteContent(w);
    if (!w) return false;
    WriteImageNames(w);
    w->Write("m_ImageIndex", m_ImageIndex);
    w->Write("m_PatternIndex", m_PatternIndex);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIButtonIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIBase::ReadContent(r);
    if (!r) return false;
    ReadImageNames(r);
    r->Read("m_ImageIndex", &m_ImageIndex);
    r->Read("m_PatternIndex", &m_PatternIndex);
    // The face index picks one of the eight image slots.
    if (m_ImageIndex < 0 || m_ImageIndex >= kImageSlotCount) {
        GxString path;
        GetTaskPath(&path);
        GxWriteErrorLog(u"GxTaskUIButtonIs/m_ImageIndex %d is not 0-7; 0 is used [%s]\n", m_ImageIndex, path);
        m_ImageIndex = 0;
    }
    ReleaseImages();
    ResetEventState();
    return ok && r->GetErrorCount() == 0;
}
