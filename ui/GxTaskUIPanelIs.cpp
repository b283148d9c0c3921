#include "ui/GxTaskUIPanelIs.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"

GxTaskUIPanelIs::GxTaskUIPanelIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_MouseMoveBlockFlag = true;
}

int GxTaskUIPanelIs::Update(int step, s64 elapsed) { return UpdatePanel(step, elapsed); }

bool GxTaskUIPanelIs::LoadImages() {
    return LoadImage(u"GxTaskUIPanelIs/ImageSet wasn't Loaded:%s [%s]\n", u"GxTaskUIPanelIs/Image not found:%s [%s]\n",
                     false);
}

bool GxTaskUIPanelIs::LoadImage(const GxChar* setMissing, const GxChar* imageMissing, bool lookUpSetWithoutImage) {
    m_pImage = nullptr;
    GxNcCrammedImageSet* set = nullptr;
    if (!m_ImageName.empty() || lookUpSetWithoutImage) {
        set = GetImageSet(setMissing);
        if (!set) return false;
    }
    if (m_ImageName.empty()) {
        m_Width = m_Height = 0;
    } else {
        m_pImage = FindImage(set, u".png");
        if (!m_pImage) {
            LogImageMessage(imageMissing, m_ImageName);
            return false;
        }
        if (const GxNcCrammedPattern* first = m_pImage->GetPattern(0)) {
            if (m_Width == 0) m_Width = first->m_Width;
            if (m_Height == 0) m_Height = first->m_Height;
        }
    }
    ApplyClientDefaults();
    return true;
}

s32 GxTaskUIPanelIs::GetPatternCount() const { return m_pImage ? s32(m_pImage->m_PatternArray.size()) : 0; }

int GxTaskUIPanelIs::Render(int, int) {
    if (!IsActiveInScene() || !m_pImage) return 0;
    BeginWidgetDraw();
    DrawCrammedPattern(m_PatternIndex, m_pImage, ComposeWorldMatrix(GxVector3()), GetAlphaScale(), m_Visual.m_Color0,
                       m_Visual.m_Color1, u32(m_Visual.m_BlendMode));
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUIPanelIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIBase::WriteContent(w);
    if (!w) return false;
    WriteImageNames(w);
    w->Write("m_PatternIndex", m_PatternIndex);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIPanelIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIBase::ReadContent(r);
    if (!r) return false;
    ReadImageNames(r);
    r->Read("m_PatternIndex", &m_PatternIndex);
    ReleaseImages();
    ResetEventState();
    return ok && r->GetErrorCount() == 0;
}

int GxTaskUIPanelIs::OnMouseMove(const GxVector2& pos, u32) { return HandlePointerMove(pos, IsInside(pos)); }

int GxTaskUIPanelIs::OnLButtonDown(const GxVector2& pos, u32, bool) { return HandlePointerPress(pos, IsInside(pos)); }
