#include "ui/GxTaskUIRadioButtonIs.h"

GxTaskUIRadioButtonIs::GxTaskUIRadioButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex)
    : GxTaskUIToggleButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_AutoToggleFlag = true;
}

void GxTaskUIRadioButtonIs::SelectInGroup() {
    if (GxTaskBase* parent = GetParent()) {
        for (GxTaskBase* t = parent->GetFirstChild(); t; t = t->GetNextSibling()) {
            if (t->GetTaskTag() != kTypeCode) continue;
            GxTaskUIBase* member = FromTask(t);
            if (member && member->GetGroupID() == GetGroupID()) member->SetValueBool(false);
        }
    }
    SetValueBool(true);
}

void GxTaskUIRadioButtonIs::OnPress() {
    if (m_AutoToggleFlag) SelectInGroup();
}
