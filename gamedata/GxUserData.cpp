#include "gamedata/GxUserData.h"

#include "base/GxDateTime.h"
#include "base/GxLog.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxStoredFields.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserDataHost.h"
#include "gamedata/GxUserDataPerman.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentTypes.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"

#include <algorithm>

namespace {

GxUserData* g_UserData = nullptr;

constexpr const GxChar* kSaveWho = u"GxUserData::SaveGameData";
constexpr const GxChar* kLoadWho = u"GxUserData::LoadGameData";

constexpr s32 kDefaultWindowOpacity = 255;
constexpr s32 kRestoreFadeInTime = 1000;

// The main scene's layers in the order they are stored.
constexpr const GxChar* kSceneLayers[] = {
    u"$VISUAL:SeqAvgMain",      u"$BGLAYER:SeqAvgMain",      u"$BGWLAYER:SeqAvgMain",
    u"$MOVIELAYER:SeqAvgMain", u"$GLOBALFLASH:SeqAvgMain", u"$GLOBALFADE:SeqAvgMain",
};
constexpr const GxChar* kStandFolder = u"$STAND:SeqAvgMain";
constexpr const GxChar* kMessageWindow = u"$MESWIN:SeqAvgMain";
constexpr const GxChar* kNameWindow = u"$NAMEWIN:SeqAvgMain";
constexpr const GxChar* kNameImage = u"$NAMEIMAGE:SeqAvgMain";
constexpr const GxChar* kSelectFolder = u"$SELECT:SeqAvgMain";
constexpr const GxChar* kSelectButton = u"btn_select";

// Values 2 to 5: the rest of the header after the save time.
template <class Self, class F>
void HeaderFields(Self& s, F&& f) {
    f("m_GameDataTitle", s.m_GameDataTitle);
    f("m_RestoreSequence", s.m_RestoreSequence);
    f("m_RestoreSubParam", s.m_RestoreSubParam);
    f("m_GameDataOption", s.m_GameDataOption);
}

// Values 6 to 9.
template <class Self, class F>
void SelectFields(Self& s, F&& f) {
    f("m_IsSelecting", s.m_IsSelecting);
    f("m_LastSelectNum", s.m_LastSelectNum);
    f("m_CancelSelectNum", s.m_CancelSelectNum);
    f("m_SelectHash", s.m_SelectHash);
}

// Values 11 to 16.
template <class Self, class F>
void HoldFields(Self& s, F&& f) {
    f("m_Hold_WaitClick", s.m_Hold_WaitClick);
    f("m_Hold_WaitTime", s.m_Hold_WaitTime);
    f("m_Hold_WaitTime_TimeLeft", s.m_Hold_WaitTime_TimeLeft);
    f("m_Hold_EndOfMovie", s.m_Hold_EndOfMovie);
    f("m_Hold_EndOfLayerActionAll", s.m_Hold_EndOfLayerActionAll);
    f("m_Hold_EndOfLayerActionSeparate", s.m_Hold_EndOfLayerActionSeparate);
    f("m_Hold_EndOfLayerActionSeparate_LayerName", s.m_Hold_EndOfLayerActionSeparate_LayerName);
    f("m_Hold_EndOfBGM", s.m_Hold_EndOfBGM);
    f("m_Hold_EndOfBGV", s.m_Hold_EndOfBGV);
    f("m_Hold_EndOfSE", s.m_Hold_EndOfSE);
    f("m_Hold_EndOfVoice", s.m_Hold_EndOfVoice);
    f("m_NameIdentifyMode", s.m_NameIdentifyMode);
    f("m_IgnoreKinsoku", s.m_IgnoreKinsoku);
    f("m_LastDialogResult", s.m_LastDialogResult);
}

// The ten sound records in their stored order.
template <class Self, class F>
void ForEachSoundRecord(Self& s, F&& f) {
    f(s.m_BGMParam);
    f(s.m_BGVParam);
    for (auto& se : s.m_SEParam) f(se);
    for (auto& voice : s.m_VoiceParam) f(voice);
}

template <class Container>
bool WriteRecordList(GxContentWriterBase& w, const char* name, const Container& records) {
    bool ok = w.WriteListBegin(name, "", u32(records.size()));
    for (const auto& record : records) {
        ok = w.WriteListElementBegin() && ok;
        ok = record.Write(w) && ok;
        ok = w.WriteListElementEnd() && ok;
    }
    return w.WriteListEnd() && ok;
}

// Reads a list of records into records, replacing what it held. A count the
// data cannot hold is refused: the list is skipped to its end and left empty.
template <class Record>
bool ReadRecordList(GxContentReaderBase& r, const char* name, std::deque<Record>* records) {
    records->clear();
    u32 count = 0;
    if (!GxPersistFile::ReadListBegin(r, name, Record::kMinStoredBytes, kLoadWho, &count)) {
        GxPersistFile::SkipToEnd(r, kGxValListBegin, kGxValListEnd);
        return false;
    }
    records->resize(count);
    for (Record& record : *records) {
        r.ReadListElementBegin();
        record.Read(r);
        r.ReadListElementEnd();
    }
    return r.ReadListEnd();
}

bool IsLayer(const GxTaskBase* task) { return task && (task->TypeBits & kGxTypeLayer); }

GxTaskFolder* AsFolder(GxTaskBase* task) {
    return task && (task->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(task) : nullptr;
}

// The characters whose stand layers are stored: named, and not "*".
template <class F>
void ForEachStandCharacter(F&& f) {
    for (s32 id = 0; id < DBAvgChar::kCapacity; ++id) {
        const GxString& name = g_DBAvgChar.GetRecord(id)->CharName;
        if (!name.empty() && name != u"*") f(name);
    }
}

} // namespace

GxUserData* GxUserData::Get() { return g_UserData; }
void GxUserData::Set(GxUserData* userData) { g_UserData = userData; }

GxUserData::GxUserData(GxCoreBase* core) : m_Core(core) { Clear(); }

GxCoreBase* GxUserData::Core() const { return m_Core ? m_Core : GxCoreBase::GetCoreBase(); }

GxTaskManage* GxUserData::TaskManage() const {
    GxCoreBase* core = Core();
    return core ? core->GetTaskManage() : nullptr;
}

const GxSystemConfig& GxUserData::SystemConfig() const {
    static const GxSystemConfig defaults;
    GxCoreBase* core = Core();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : defaults;
}

size_t GxUserData::ChoiceEntries() const { return size_t(std::max(SystemConfig().m_ChoiceCount, 0)) + 1; }
size_t GxUserData::LogLimit() const { return size_t(std::max(SystemConfig().m_MessageLogLimit, 0)); }

void GxUserData::Clear() {
    m_SelectMenuItemList.resize(ChoiceEntries());
    m_GameDataTitle.clear();
    m_RestoreSequence.clear();
    m_RestoreSubParam.clear();
    ClearSelect();
    m_LastSelectNum = 0;
    m_Hold_WaitClick = m_Hold_WaitTime = m_Hold_WaitTime_TimeLeft = m_Hold_EndOfMovie = 0;
    m_Hold_EndOfLayerActionAll = m_Hold_EndOfLayerActionSeparate = 0;
    m_Hold_EndOfLayerActionSeparate_LayerName.clear();
    m_Hold_EndOfBGM = m_Hold_EndOfBGV = m_Hold_EndOfSE = m_Hold_EndOfVoice = 0;
    m_NameIdentifyMode = 2;
    m_IgnoreKinsoku = false;
    m_LastDialogResult = 0;
    m_MessageLog.clear();
    m_NoticeList.clear();
    m_BGMParam.Clear();
    m_BGVParam.Clear();
    for (GxSoundParam& se : m_SEParam) se.Clear();
    ClearCurrentVoices();
    m_ReplayMode = false;
    m_HideWindowByCommandFlag = false;
}

void GxUserData::ClearSelect() {
    m_IsSelecting = false;
    m_CancelSelectNum = 0;
    m_SelectHash.clear();
    for (GxSelectMenuItem& item : m_SelectMenuItemList) item.Clear();
}

void GxUserData::ClearCurrentVoices() {
    for (GxSoundParam& voice : m_VoiceParam) voice.Clear();
}

void GxUserData::AddMessageLog(const GxString& name, const GxString& message, bool ignoreKinsoku,
                               bool disenableAutoNewline) {
    GxMessageLogElement e;
    e.m_Name = name;
    e.m_Message = message;
    e.m_IgnoreKinsoku = ignoreKinsoku;
    e.m_DisenableAutoNewline = disenableAutoNewline;
    e.m_ShowNameByText = true;
    for (int i = 0; i < kVoiceCount; ++i) {
        e.m_VoiceFileName[i] = m_VoiceParam[i].m_FileName;
        e.m_VoiceCharID[i] = m_VoiceParam[i].m_CharID;
    }
    m_MessageLog.push_back(std::move(e));
    while (m_MessageLog.size() > LogLimit()) m_MessageLog.pop_front();
}

void GxUserData::ResetPlayState(bool stopBGM) {
    GxUserDataHost* host = GxUserDataHost::Get();
    if (host) host->StopChannels(stopBGM);
    GxSetBGMRestraintLevel(100);
    if (host) host->StopAllMovies();
    // Music that goes on playing keeps its record: the title then knows it
    // plays already and does not start it over, and a save still names it.
    const GxSoundParam keptBGM = stopBGM ? GxSoundParam() : m_BGMParam;
    Clear();
    m_BGMParam = keptBGM;
    if (host) host->ResetPlayScene();
    if (g_pMoaMainWorker()) {
        g_pMoaMainWorker()->Reset();
        g_pMoaMainWorker()->ClearGameVariables();
    }
    if (g_pMoa()) g_pMoa()->ClearGameVariables();
    m_HideWindowByCommandFlag = true;
    if (host) host->StartGlobalFadeOut(0);
}

// ---- the play record ----------------------------------------------------

bool GxUserData::WritePlayRecord(GxContentWriterBase& w) const {
    bool ok = w.Write("m_SaveTime", GxGetCurrentTimeString());
    ok = GxWriteFields(w, [&](auto&& f) { HeaderFields(*this, f); }) && ok;
    ok = GxWriteFields(w, [&](auto&& f) { SelectFields(*this, f); }) && ok;
    ok = WriteRecordList(w, "m_SelectMenuItemList", m_SelectMenuItemList) && ok;
    ok = GxWriteFields(w, [&](auto&& f) { HoldFields(*this, f); }) && ok;
    ok = WriteRecordList(w, "GxMessageLogElement", m_MessageLog) && ok;
    ok = WriteRecordList(w, "GxNoticeParam", m_NoticeList) && ok;
    return w.Write("m_HideWindowByCommandFlag", m_HideWindowByCommandFlag) && ok;
}

bool GxUserData::ReadSelectMenuItems(GxContentReaderBase& r) {
    u32 count = 0;
    if (!GxPersistFile::ReadListBegin(r, "m_SelectMenuItemList", GxSelectMenuItem::kMinStoredBytes, kLoadWho,
                                      &count)) {
        GxPersistFile::SkipToEnd(r, kGxValListBegin, kGxValListEnd);
        return false;
    }
    bool ok = true;
    if (count > m_SelectMenuItemList.size()) {
        // A menu with more choices than this game has buttons for.
        GxWriteErrorLog(u"%s/選択肢の数が多すぎるため残りを読み飛ばします(%u>%u)\n", kLoadWho, count,
                        u32(m_SelectMenuItemList.size()));
        ok = false;
    }
    for (u32 k = 0; k < count; ++k) {
        GxSelectMenuItem surplus;
        r.ReadListElementBegin();
        (k < m_SelectMenuItemList.size() ? m_SelectMenuItemList[k] : surplus).Read(r);
        r.ReadListElementEnd();
    }
    return r.ReadListEnd() && ok;
}

bool GxUserData::ReadPlayRecord(GxContentReaderBase& r) {
    GxString saveTime;
    r.Read("m_SaveTime", &saveTime);
    GxReadFields(r, [&](auto&& f) { HeaderFields(*this, f); });
    GxReadFields(r, [&](auto&& f) { SelectFields(*this, f); });
    bool sound = ReadSelectMenuItems(r);
    GxReadFields(r, [&](auto&& f) { HoldFields(*this, f); });
    sound = ReadRecordList(r, "GxMessageLogElement", &m_MessageLog) && sound;
    // A log from a game with a longer limit keeps its newest entries.
    while (m_MessageLog.size() > LogLimit()) m_MessageLog.pop_front();
    sound = ReadRecordList(r, "GxNoticeParam", &m_NoticeList) && sound;
    r.Read("m_HideWindowByCommandFlag", &m_HideWindowByCommandFlag);
    return sound;
}

// ---- the scene's stored tasks --------------------------------------------

GxTaskBase* GxUserData::FindSceneTask(const GxChar* name) const {
    GxTaskManage* tm = TaskManage();
    return tm ? tm->FindTaskName(name) : nullptr;
}

bool GxUserData::WriteTask(GxContentWriterBase& w, const GxChar* name) {
    GxTaskBase* task = FindSceneTask(name);
    if (!task) {
        GxWriteErrorLog(u"%s/保存するタスクがありません(%s)\n", kSaveWho, name);
        return false;
    }
    task->WriteContent(&w);
    return true;
}

bool GxUserData::ReadTask(GxContentReaderBase& r, const GxChar* name) {
    GxTaskBase* task = FindSceneTask(name);
    if (!task) {
        // Its stored form cannot be stepped over without the task: what
        // follows would be read out of step.
        GxWriteErrorLog(u"%s/読み込むタスクがありません(%s)\n", kLoadWho, name);
        return false;
    }
    task->ReadContent(&r);
    return true;
}

bool GxUserData::WriteSoundState(GxContentWriterBase& w) {
    GxUserDataHost* host = GxUserDataHost::Get();
    // What has stopped, or would play again only once more, is not restored.
    if (!host || !host->IsBgmPlaying()) m_BGMParam.Clear();
    if (!host || !host->IsBgvPlaying()) m_BGVParam.Clear();
    for (GxSoundParam& se : m_SEParam)
        if (se.m_Loop > 0) se.Clear();
    bool ok = true;
    ForEachSoundRecord(*this, [&](const GxSoundParam& p) { ok = p.Write(w) && ok; });
    return ok && w.GetErrorCount() == 0;
}

bool GxUserData::ReadSoundState(GxContentReaderBase& r) {
    GxUserDataHost* host = GxUserDataHost::Get();
    if (host) {
        host->StopChannels(true);
        host->StopAllOneShots();
    }
    ForEachSoundRecord(*this, [&](GxSoundParam& p) { p.Read(r); });
    if (host) {
        if (!m_BGMParam.m_FileName.empty()) host->PlayBgm(m_BGMParam, kRestoreFadeInTime);
        if (!m_BGVParam.m_FileName.empty()) host->PlayBgv(m_BGVParam, kRestoreFadeInTime);
        for (s32 i = 0; i < kSECount; ++i)
            if (!m_SEParam[i].m_FileName.empty()) host->PlaySe(i, m_SEParam[i], 0);
    }
    return r.GetErrorCount() == 0;
}

bool GxUserData::WriteSceneLayers(GxContentWriterBase& w) {
    bool found = true;
    for (const GxChar* name : kSceneLayers) found = WriteTask(w, name) && found;
    GxTaskFolder* stand = AsFolder(FindSceneTask(kStandFolder));
    if (!stand) {
        GxWriteErrorLog(u"%s/保存するタスクがありません(%s)\n", kSaveWho, kStandFolder);
        found = false;
    }
    // The count stays 0: readers go by the strata, not by it.
    w.WriteListBegin("StandLayers", "", 0);
    if (stand) {
        ForEachStandCharacter([&](const GxString& name) {
            GxTaskBase* layer = stand->FindTaskLocal(name, 0);
            if (!IsLayer(layer)) return;
            w.WriteTreeStratumBegin();
            w.Write("LayerName", layer->GetTaskLocalName());
            layer->WriteContent(&w);
            w.WriteTreeStratumEnd();
        });
    }
    w.WriteListEnd();
    return found && w.GetErrorCount() == 0;
}

bool GxUserData::ReadSceneLayers(GxContentReaderBase& r) {
    if (GxUserDataHost* host = GxUserDataHost::Get()) host->StopAllMovies();
    for (const GxChar* name : kSceneLayers)
        if (!ReadTask(r, name)) return false;
    GxTaskFolder* stand = AsFolder(FindSceneTask(kStandFolder));
    u32 ignoredCount = 0;
    bool inStep = r.ReadListBegin("StandLayers", &ignoredCount);
    while (r.PeekValueType() == kGxValTreeStratumBegin) {
        r.ReadTreeStratumBegin();
        GxString name;
        r.Read("LayerName", &name);
        GxTaskBase* layer = stand ? stand->FindTaskLocal(name, 0) : nullptr;
        if (IsLayer(layer)) {
            layer->ReadContent(&r);
            inStep = r.ReadTreeStratumEnd() && inStep;
        } else {
            // A character this game no longer shows: its layer's stored form
            // ends with the stratum, so reading goes on after it.
            GxWriteErrorLog(u"%s/立ち絵レイヤーが見つからないため読み飛ばします(%s)\n", kLoadWho, name);
            inStep = GxPersistFile::SkipToEnd(r, kGxValTreeStratumBegin, kGxValTreeStratumEnd) && inStep;
        }
    }
    return r.ReadListEnd() && inStep;
}

bool GxUserData::WriteSceneWindows(GxContentWriterBase& w) {
    bool found = WriteTask(w, kMessageWindow);
    found = WriteTask(w, kNameWindow) && found;
    found = WriteTask(w, kNameImage) && found;
    return found && w.GetErrorCount() == 0;
}

bool GxUserData::ReadSceneWindows(GxContentReaderBase& r) {
    if (!ReadTask(r, kMessageWindow) || !ReadTask(r, kNameWindow) || !ReadTask(r, kNameImage)) return false;
    // The current settings win over the stored ones.
    if (GxUserDataHost* host = GxUserDataHost::Get()) {
        const GxUserConfig* settings = GxUserConfig::Get();
        host->ApplyWindowSettings(FindSceneTask(kMessageWindow), FindSceneTask(kNameWindow),
                                  SystemConfig().m_MesWinLetterMarginWidth,
                                  settings ? settings->m_TextWindowOpacity : kDefaultWindowOpacity);
        host->TakeLoadedMessageAsRead();
    }
    return true;
}

bool GxUserData::WriteSelectButtons(GxContentWriterBase& w) {
    GxTaskFolder* folder = AsFolder(FindSceneTask(kSelectFolder));
    const u32 buttons = u32(m_SelectMenuItemList.size() - 1);
    bool found = folder != nullptr;
    if (!folder) GxWriteErrorLog(u"%s/保存するタスクがありません(%s)\n", kSaveWho, kSelectFolder);
    w.WriteListBegin("SelectButtons", "", buttons);
    for (u32 i = 1; i <= buttons; ++i) {
        w.WriteListElementBegin();
        GxTaskBase* button = folder ? folder->GetTaskLocal(kSelectButton, s32(i)) : nullptr;
        if (button) button->WriteContent(&w);
        found = found && button;
        w.WriteListElementEnd();
    }
    w.WriteListEnd();
    return found && w.GetErrorCount() == 0;
}

bool GxUserData::ReadSelectButtons(GxContentReaderBase& r) {
    GxTaskFolder* folder = AsFolder(FindSceneTask(kSelectFolder));
    u32 stored = 0;
    if (!folder || !GxPersistFile::ReadListBegin(r, "SelectButtons", 1, kLoadWho, &stored)) return false;
    const GxSystemConfig& config = SystemConfig();
    const GxUserConfig* settings = GxUserConfig::Get();
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    GxUserDataHost* host = GxUserDataHost::Get();
    // The buttons this game has, and no more than the file holds: a surplus
    // is skipped with the rest of the list.
    const u32 buttons = std::min(stored, u32(m_SelectMenuItemList.size() - 1));
    for (u32 i = 1; i <= buttons; ++i) {
        r.ReadListElementBegin();
        GxTaskBase* button = folder->GetTaskLocal(kSelectButton, s32(i));
        if (!button) return false;
        button->ReadContent(&r);
        if (host && m_IsSelecting && m_SelectMenuItemList[i].m_Visible) {
            const bool taken = settings && settings->m_ChangeColorSelectedMenu && perman &&
                               perman->IsSelectedMenu(m_SelectHash, s32(i));
            host->SetSelectButtonColor(button, taken ? config.m_SelectTextColor1 : config.m_SelectTextColor0);
        }
        r.ReadListElementEnd();
    }
    return GxPersistFile::SkipToEnd(r, kGxValListBegin, kGxValListEnd);
}

// ---- files -----------------------------------------------------------------

void GxUserData::SeeFiles(const std::vector<GxString>& paths) {
    for (const GxString& path : paths) m_Known.SawAsItStands(path);
}

bool GxUserData::SaveGameData(const GxString& path, bool binary, GxPersistFile::Outcome* outcome,
                              const GxPersistFile::BeforeCommit& beforeCommit, const GxString& keptBeside) {
    // A save the start saw that nothing has read since (the quick save, which
    // no page shows before it is saved over) is judged first as a load
    // judges it: one that would not load is named and kept as damaged by
    // this write, as a slot's the page could not read is. One another copy
    // wrote since is kept as changed, unread.
    if (m_Known.Unjudged(path)) CheckGameData(path);
    return GxPersistFile::Write(path, binary, binary ? "BGD" : "TGD", kSaveWho, [&](GxContentWriterBase& w) {
        WritePlayRecord(w);
        if (g_pMoa()) g_pMoa()->WriteVariables(&w, kStorageGame);
        if (g_pMoaMainWorker()) {
            g_pMoaMainWorker()->WriteVariables(&w, kStorageGame);
            g_pMoaMainWorker()->Write(&w);
        }
        WriteSoundState(w);
        // A missing task would leave a file that no load can read in step.
        bool tasks = WriteSceneLayers(w);
        tasks = WriteSceneWindows(w) && tasks;
        tasks = WriteSelectButtons(w) && tasks;
        GxCoreBase* core = Core();
        const bool modules = !core || core->CallModulesWriteUserData(&w, path);
        return tasks && modules;
    }, &m_Known, {}, outcome, beforeCommit, keptBeside);
}

bool GxUserData::LoadGameData(const GxString& path, bool readAll) {
    GxBinBuffer buffer;
    std::unique_ptr<GxContentReaderBase> reader = GxPersistFile::Open(path, &buffer, "TGD", "BGD", kLoadWho, &m_Known);
    if (!reader) return false;
    GxContentReaderBase& r = *reader;
    bool sound = ReadPlayRecord(r);
    if (readAll) {
        if (g_pMoa()) g_pMoa()->ReplaceVariables(&r, kStorageGame);
        if (g_pMoaMainWorker()) {
            g_pMoaMainWorker()->ReplaceVariables(&r, kStorageGame);
            g_pMoaMainWorker()->Read(&r);
        }
        ReadSoundState(r);
        // Each scene section needs the one before it read in step.
        sound = ReadSceneLayers(r) && ReadSceneWindows(r) && ReadSelectButtons(r) && sound;
    }
    if (GxCoreBase* core = Core()) core->CallModulesReadUserData(&r, path, readAll);
    const bool whole = sound && r.GetErrorCount() == 0;
    if (!whole) m_Known.MarkUnread(path);
    return whole;
}

bool GxUserData::CheckGameData(const GxString& path) {
    GxBinBuffer buffer;
    std::unique_ptr<GxContentReaderBase> reader =
        GxPersistFile::Open(path, &buffer, "TGD", "BGD", u"GxUserData::CheckGameData", &m_Known);
    if (!reader) return false;
    const bool sound = CheckStoredForm(*reader);
    if (!sound) m_Known.MarkUnread(path);
    return sound;
}

bool GxUserData::CheckStoredForm(GxContentReaderBase& r) const {
    GxUserData scratch(m_Core);
    if (!scratch.ReadPlayRecord(r) || r.GetErrorCount() != 0) return false;
    // The rest is the script's and the scene's: only its form is checked.
    std::vector<u32> ends;
    while (!r.IsEnd()) {
        const u32 code = r.PeekValueType();
        if (code == kGxValEndOfData || code == 0) break;
        if (*GxValueTypeName(code) == '\0') return false;
        if (code == kGxValListBegin || code == kGxValTreeBegin || code == kGxValTreeStratumBegin) {
            ends.push_back(code + 1);
        } else if (code == kGxValListEnd || code == kGxValTreeEnd || code == kGxValTreeStratumEnd) {
            if (ends.empty() || ends.back() != code) return false;
            ends.pop_back();
        }
        if (!r.SkipValue()) return false;
    }
    return ends.empty() && r.GetErrorCount() == 0;
}

bool GxUserData::ReadGameDataHeader(const GxString& path, GxGameDataHeader* header) {
    header->valid = header->unreadable = false;
    GxBinBuffer buffer;
    std::unique_ptr<GxContentReaderBase> reader = GxPersistFile::Open(
        path, &buffer, "TGD", "BGD", u"GxUserData::ReadGameDataHeader", &m_Known, &header->unreadable);
    if (!reader) return false;
    reader->Read("m_SaveTime", &header->m_SaveTime);
    GxReadFields(*reader, [&](auto&& f) { HeaderFields(*header, f); });
    header->valid = true;
    return true;
}
