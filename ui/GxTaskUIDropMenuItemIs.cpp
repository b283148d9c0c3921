#include "ui/GxTaskUIDropMenuItemIs.h"

#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "layers/GxLayerServices.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

namespace {

constexpr u32 kIconColor = 0xFFFFFFFF;
constexpr u32 kIconBlendMode = 2;

} // namespace

GxTaskUIDropMenuItemIs::GxTaskUIDropMenuItemIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                               s32 localIndex)
    : GxTaskUIButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

void GxTaskUIDropMenuItemIs::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIButtonIs::ApplyModuleRecord(m);
    SetFontIndex(m.FontIndex);
}

void GxTaskUIDropMenuItemIs::SetFontIndex(s32 index) { m_FontIndex = GxUICheckFontIndex(index, u"GxTaskUIDropMenuItemIs"); }

bool GxTaskUIDropMenuItemIs::LoadImages() {
    return LoadPushFaces(u"GxTaskUIDropMenuItemIs/ImageSet wasn't Loaded:%s [%s]\n",
                         u"GxTaskUIDropMenuItemIs/Image not found:%s [%s]\n");
}

int GxTaskUIDropMenuItemIs::OnLButtonDown(const GxVector2& pos, u32, bool) {
    if (!CanOperate(0)) return 0;
    // Presses wait while the shutdown dialog is open.
    GxTaskManage* manager = GetTaskManage();
    const GxTaskBase* shutdown = manager ? manager->FindTaskName(u"dlg_shutdown") : nullptr;
    if (FromTask(shutdown) && shutdown->IsRunning()) return 0;
    if (!IsInsideClient(pos)) return 0;
    m_EventState = UIEVENT_DECIDE;
    m_PressShowCount = kPressShowFrames;
    // Unlike the buttons' click, no key flags or double-click flag.
    RaisePointerEvent(UIEVENT_DECIDE, pos);
    return (IsEventReported(UIEVENT_DECIDE) && m_EventBlockFlag) ? 1 : 0;
}

int GxTaskUIDropMenuItemIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    DrawFace(GetFace(m_ImageIndex, kFaceNa), GetImageAlphaScale());
    GxVector4 w;
    GetWorldPos(&w);
    const f32 anchorX = w.x, anchorY = w.y + f32(m_Height / 2);
    if (!m_IconName.empty()) {
        if (const GxNcOriginImage* icon = GxLayerServices::Get().FindIcon(m_IconName)) {
            GxMatrix at;
            at.SetTranslation(anchorX + m_LabelOffset.x, anchorY + m_LabelOffset.y - f32(icon->m_ImageHeight / 2), w.z);
            DrawCrammedPattern(0, icon, at, 1.0f, GxFColor::FromARGB(kIconColor), GxFColor(), kIconBlendMode);
        }
    }
    GxGDIFontMap* map = GxGlobalFonts::GetFontMap(m_FontIndex);
    if (!m_LabelText.empty() && map) {
        const f32 x = anchorX + m_LabelOffset.x, y = anchorY + m_LabelOffset.y - f32(map->GetFontHeight() / 2);
        DrawOutlinedText(map, m_LabelText, x, y, GxUIScaleAlpha(m_LabelColor, GetAlphaScale()), 0,
                         GxUIScaleAlpha(GxUISystemConfig().m_SystemEdgeColor, GetAlphaScale()), 0);
    }
    GxGraphics::EndScene();
    return 0;
}
