#include "ui/GxTaskUIDropMenuIs.h"

#include "layers/GxActorActions.h"
#include "ui/GxTaskUIDropMenuItemIs.h"
#include "ui/GxUIManage.h"

namespace {

// Eased out, as the menus slide.
constexpr u32 kSlideMode = 2;

void Slide(GxTaskActor* actor, const GxVector4& to) {
    const f32 target[4] = {to.x, to.y, to.z, to.w};
    GxAddActionMove(target, GxTaskUIDropMenuIs::kSlideTime, actor, kSlideMode);
}

} // namespace

GxTaskUIDropMenuIs::GxTaskUIDropMenuIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                       s32 localIndex)
    : GxTaskUIBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_ModalFlag = true;
    if (IsRunning()) Suspend();
}

bool GxTaskUIDropMenuIs::IsChild(const GxTaskBase* task) const {
    for (const GxTaskBase* t = GetFirstChild(); t; t = t->GetNextSibling())
        if (t == task) return true;
    return false;
}

bool GxTaskUIDropMenuIs::AddItem(GxTaskUIDropMenuItemIs* item) {
    if (!item || !IsChild(item)) return false;
    GxVector4 place;
    item->GetPos(&place);
    m_Items.push_back({item, place});
    return true;
}

void GxTaskUIDropMenuIs::Open() {
    ClearActions();
    Resume();
    ResumeChildren();
    if (GxUIManage* ui = GxUIManage::Get()) SetModalPriority(++ui->m_ModalLevel);
    for (const Entry& e : m_Items) {
        if (!IsChild(e.m_Item)) continue;
        e.m_Item->ClearActions();
        e.m_Item->SetPos(0, 0, 0, 0);
        Slide(e.m_Item, e.m_Place);
    }
}

bool GxTaskUIDropMenuIs::Close() {
    ClearActions();
    for (const Entry& e : m_Items) {
        if (!IsChild(e.m_Item)) continue;
        e.m_Item->ClearActions();
        Slide(e.m_Item, GxVector4());
    }
    GxAddActionType17(this);
    GxAddActionType16(this);
    GxUIManage* ui = GxUIManage::Get();
    if (ui && ui->m_ModalLevel > 0) --ui->m_ModalLevel;
    SetModalPriority(0);
    return true;
}

int GxTaskUIDropMenuIs::OnLButtonDown(const GxVector2&, u32, bool) {
    if (CanOperate(0)) Close();
    return 0;
}

int GxTaskUIDropMenuIs::OnRButtonDown(const GxVector2&, u32, bool) {
    if (CanOperate(0)) Close();
    return 0;
}
