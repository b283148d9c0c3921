#include "game/GxGameMoaMainHost.h"

#include "game/scenes/SeqAvgMain.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"

namespace {
const GxSystemConfig* Config() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    return core ? core->GetSystemConfig() : nullptr;
}
} // namespace

bool GxGameMoaMainHost::HasMainScene() { return SeqAvgMain::Find() != nullptr; }

void GxGameMoaMainHost::ShowMessage(const GxString& message, bool read, bool ignoreKinsoku, bool disableAutoNewline) {
    if (SeqAvgMain* scene = SeqAvgMain::Find()) scene->ShowMessage(message, read, ignoreKinsoku, disableAutoNewline);
}

void GxGameMoaMainHost::SetName(const GxString& name, int nameIdentifyMode) {
    if (SeqAvgMain* scene = SeqAvgMain::Find()) scene->SetName(name, nameIdentifyMode);
}

void GxGameMoaMainHost::ClearName() {
    if (SeqAvgMain* scene = SeqAvgMain::Find()) scene->ClearName();
}

int GxGameMoaMainHost::GetNameIdentifyMode() {
    const GxUserData* data = GxUserData::Get();
    return data ? data->m_NameIdentifyMode : 0;
}

bool GxGameMoaMainHost::GetIgnoreKinsoku() {
    const GxUserData* data = GxUserData::Get();
    return data && data->m_IgnoreKinsoku;
}

void GxGameMoaMainHost::AddMessageLog(const GxString& name, const GxString& message, bool ignoreKinsoku, bool flag) {
    if (GxUserData* data = GxUserData::Get()) data->AddMessageLog(name, message, ignoreKinsoku, flag);
}

bool GxGameMoaMainHost::IsReadedMessage(const GxString& key, int index) {
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    return perman && perman->IsReadedMessage(key, index);
}

void GxGameMoaMainHost::SetReadedMessage(const GxString& key, int index) {
    if (GxUserDataPerman* perman = GxUserDataPerman::Get()) perman->SetReadedMessage(key, index);
}

GxString GxGameMoaMainHost::GetNameSeparators() {
    const GxSystemConfig* config = Config();
    return config ? config->m_NameBrackets : GxMoaMainHost::GetNameSeparators();
}

GxString GxGameMoaMainHost::GetNameImageFolder() {
    const GxSystemConfig* config = Config();
    return config ? config->m_FolderNames[kGxFolderCGName] : GxMoaMainHost::GetNameImageFolder();
}

bool GxGameMoaMainHost::ResolveImageFile(GxString* path) { return path && GxResolveImageFile(*path); }
