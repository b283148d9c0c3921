#include "ui/GxMessageSettingsBase.h"

namespace {
GxMessageSettingsBase* g_Settings = nullptr;
}

GxMessageSettingsBase* GxMessageSettingsBase::Get() { return g_Settings; }
void GxMessageSettingsBase::Set(GxMessageSettingsBase* settings) { g_Settings = settings; }

s32 GxMessageSettingsBase::TextWaitTime() { return g_Settings ? g_Settings->GetTextWaitTime() : kDefaultTextWaitTime; }

s32 GxMessageSettingsBase::TextLongWaitTime() {
    return g_Settings ? g_Settings->GetTextLongWaitTime() : kDefaultTextLongWaitTime;
}

bool GxMessageSettingsBase::FastShowReadedText() { return g_Settings ? g_Settings->GetFastShowReadedText() : true; }

bool GxMessageSettingsBase::ChangeColorReadedText() {
    return g_Settings ? g_Settings->GetChangeColorReadedText() : true;
}
