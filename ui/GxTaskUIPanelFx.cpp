#include "ui/GxTaskUIPanelFx.h"

#include "graphics/GxDraw.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureFlexFactory.h"
#include "layers/GxLerp.h"
#include "ui/DBUIModuleRecord.h"

#include <algorithm>

namespace {

// A pivot as a fraction of a size; 0 for an empty size.
f32 Fraction(f32 v, u32 size) { return size != 0 ? v / f32(size) : 0.0f; }

// The colour with its alpha scaled, held to 0..1 so that it packs without
// wrapping.
u32 Packed(GxFColor c, f32 alphaScale) {
    c.a = std::clamp(c.a * alphaScale, 0.0f, 1.0f);
    return c.ToARGB();
}

} // namespace

GxTaskUIPanelFx::GxTaskUIPanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_MouseMoveBlockFlag = true;
}

GxTaskUIPanelFx::~GxTaskUIPanelFx() { GxTaskUIPanelFx::ReleaseImages(); }

int GxTaskUIPanelFx::Update(int step, s64 elapsed) { return UpdatePanel(step, elapsed); }

void GxTaskUIPanelFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIBase::ApplyModuleRecord(m);
    m_ImageFileName = m.ImageName.empty() ? GxString() : m.ImageSetName + m.ImageName + u".png";
}

bool GxTaskUIPanelFx::SetImageSource(const GxChar* source) {
    m_ImageFileName = source ? source : u"";
    return true;
}

bool GxTaskUIPanelFx::LoadImages() {
    bool loaded = false;
    if (m_ImageFileName.empty()) {
        ReleaseImages();
    } else {
        // Asked for before the old one goes back, so that reloading the same
        // file keeps the shared texture alive.
        auto* texture = static_cast<GxTextureFlex*>(
            GxTextureFlexFactory::GetInstance().Create(m_ImageFileName.c_str(), kGxTextureFlexKindFile, 0, 0, 0));
        ReleaseImages();
        m_pTexture = texture;
        m_Width = texture ? GxTruncToS32(texture->GetImageWidth()) : 0;
        m_Height = texture ? GxTruncToS32(texture->GetImageHeight()) : 0;
        loaded = texture != nullptr;
    }
    ApplyClientDefaults();
    return loaded;
}

void GxTaskUIPanelFx::ReleaseImages() {
    if (m_pTexture) GxTextureFlexFactory::GetInstance().Release(m_pTexture);
    m_pTexture = nullptr;
}

int GxTaskUIPanelFx::Render(int, int) {
    if (!IsActiveInScene() || !m_pTexture) return 0;
    BeginWidgetDraw();
    GxVector4 w;
    GetWorldPos(&w);
    const GxVector4& s = m_Visual.m_Scale;
    const GxVector4& r = m_Visual.m_Rot;
    const GxVector4& c = m_Visual.m_CenterPos;
    const GxVector2 scale(s.x, s.y);
    const GxVector3 rot(r.x * kGxDegToRad, r.y * kGxDegToRad, r.z * kGxDegToRad);
    const GxVector2 pivot(Fraction(c.x, m_pTexture->GetImageWidth()), Fraction(c.y, m_pTexture->GetImageHeight()));
    const f32 alpha = GetAlphaScale();
    const f32 imageAlpha = std::clamp(f32(m_ImageAlpha) / 255.0f, 0.0f, 1.0f);
    GxDrawTextureFlex(m_pTexture, w.x, w.y, &scale, &rot, &pivot, Packed(m_Visual.m_Color0, alpha * imageAlpha),
                      Packed(m_Visual.m_Color1, alpha), u32(m_Visual.m_BlendMode));
    GxGraphics::EndScene();
    return 0;
}

int GxTaskUIPanelFx::OnMouseMove(const GxVector2& pos, u32) { return HandlePointerMove(pos, IsInside(pos)); }

int GxTaskUIPanelFx::OnLButtonDown(const GxVector2& pos, u32, bool) { return HandlePointerPress(pos, IsInside(pos)); }
