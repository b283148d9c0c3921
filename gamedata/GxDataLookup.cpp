#include "gamedata/GxDataLookup.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/DBBGMMode.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/DBKeyMap.h"
#include "gamedata/DBRPMode.h"
#include "gamedata/DBUILayout.h"
#include "gamedata/DBVoiceVolume.h"
#include "gamedata/GxUserConfig.h"
#include "io/GxFileSystem.h"
#include "io/GxStringParse.h"
#include "tasks/GxInput.h"

#include <algorithm>
#include <initializer_list>
#include <type_traits>
#include <vector>

namespace {

bool Exists(const GxString& path) { return GxFileExists(path) != kGxFileNotFound; }

bool ResolveWith(GxString& path, std::initializer_list<const GxChar*> extensions) {
    if (Exists(path)) return true;
    for (const GxChar* ext : extensions) {
        GxString candidate = path + ext;
        if (Exists(candidate)) {
            path = std::move(candidate);
            return true;
        }
    }
    return false;
}

constexpr s32 kCGEntryCount = s32(std::extent_v<decltype(DBCGModeRecord::FileName)>);
constexpr s32 kKeyCodeCount = s32(std::extent_v<decltype(DBKeyMapRecord::KeyCodeStr)>);
constexpr int kFirstJoystickSlot = 2;

// Enters one key action into the input key map. The column comes from the
// table: outside the key map it is refused here, naming the action.
void EnterKeyMap(s32 code, const DBKeyMapRecord& action) {
    if (action.Group < 0 || action.Group >= kGxKeyMapColumns) {
        GxWriteErrorLog(u"DBKeyMap/Groupが範囲外です[%s/ID=%d/Group=%d]\n", g_DBKeyMap.GetFileName(), action.ID,
                        action.Group);
        return;
    }
    GxSetKeyMap(code, action.ID, action.Group);
}

void ResetInputKeyMap() {
    GxClearKeyMapTable();
    GxClearAnalogAssign();
}

void AssignFirstStick(const GxUserConfig& config) {
    GxSetAnalogAssign(0, kFirstJoystickSlot, config.m_InputWord[1]);
    if (GxInputState* joystick = GxGetInputState(kFirstJoystickSlot)) {
        joystick->m_StickLayout = config.m_InputWord[0];
        joystick->Clear();
    }
}

} // namespace

bool GxResolveImageFile(GxString& path) { return ResolveWith(path, {u".png", u".dds", u".tga", u".jpg", u".bmp"}); }
bool GxResolveSoundFile(GxString& path) { return ResolveWith(path, {u".ogg", u".wav"}); }
bool GxResolveMovieFile(GxString& path) { return ResolveWith(path, {u".wmv", u".asf", u".mpg", u".avi"}); }
bool GxResolveProjectFile(GxString& path) { return ResolveWith(path, {u".gnc"}); }

s32 GxFindVoiceCharID(GxString& voiceFile) {
    for (s32 id = 1; id < DBAvgChar::kCapacity; ++id) {
        const DBAvgCharRecord& c = *g_DBAvgChar.GetRecord(id);
        if (c.VoicePath.empty() || c.VoicePath == u"*") continue;
        GxString full = c.VoicePath + voiceFile;
        if (ResolveWith(full, {u".ogg", u".wav"})) {
            voiceFile = std::move(full);
            return c.ID;
        }
    }
    return 0;
}

s32 GxFindAvgCharIDByName(const GxChar* name) {
    const GxStringView wanted(name ? name : u"");
    for (s32 i = 0; i < DBAvgChar::kCapacity; ++i) {
        const GxString& n = g_DBAvgChar.GetRecord(i)->CharName;
        if (!n.empty() && n == wanted) return i;
    }
    return -1;
}

DBUILayoutRecord* GxFindUILayoutByTaskName(const GxChar* taskName) {
    const GxStringView wanted(taskName ? taskName : u"");
    for (s32 i = 0; i < DBUILayout::kCapacity; ++i) {
        DBUILayoutRecord* layout = g_DBUILayout.GetRecord(i);
        if (!layout->TaskName.empty() && layout->TaskName == wanted) return layout;
    }
    GxWriteErrorLog(u"UIレイアウトデータ[%s]が見つかりません:%s\n", GxString(wanted), u"SeqAvgMain");
    return nullptr;
}

u32 GxGetBGMLoopPosTime(const GxString& path) {
    const GxString name = GxGetFileName(path);
    for (s32 i = 0; i < DBBGMMode::kCapacity; ++i) {
        const DBBGMModeRecord& piece = *g_DBBGMMode.GetRecord(i);
        if (GxEqualsNoCase(piece.FileName, name)) return piece.LoopPosTime;
    }
    return 0;
}

void GxSplitCGModeFileNames() {
    std::vector<GxString> parts;
    for (s32 r = 0; r < DBCGMode::kCapacity; ++r) {
        DBCGModeRecord& gallery = *g_DBCGMode.GetRecord(r);
        DBCGModeRecord& viewer = *g_DBCGModeView.GetRecord(r);
        for (s32 j = 0; j < kCGEntryCount; ++j) {
            if (gallery.FileName[j].empty()) continue;
            GxSplitString(&parts, gallery.FileName[j], u"|", 3);
            gallery.FileName[j] = parts[0];
            viewer.FileName[j] = parts[1] + u"|" + parts[2];
        }
    }
}

bool GxFindCGModeFile(s32& recordIndex, s32& fileIndex, const GxString& path) {
    const GxString key = GxGetFileTitle(path);
    for (s32 r = 0; r < DBCGMode::kCapacity; ++r) {
        const DBCGModeRecord& entry = *g_DBCGMode.GetRecord(r);
        for (s32 j = 0; j < kCGEntryCount; ++j) {
            if (entry.FileName[j].empty() || !GxEqualsNoCase(entry.FileName[j], key)) continue;
            recordIndex = r;
            fileIndex = j;
            return true;
        }
    }
    recordIndex = 0;
    fileIndex = 0;
    return false;
}

void GxCountCGModeFiles() {
    for (s32 r = 0; r < DBCGMode::kCapacity; ++r) {
        DBCGModeRecord& entry = *g_DBCGMode.GetRecord(r);
        if (entry.FileName[0].empty() || entry.Count != 0) continue;
        s32 count = 0;
        for (const GxString& f : entry.FileName) count += f.empty() ? 0 : 1;
        entry.Count = count;
    }
}

bool GxIsReplayLabel(const GxString& label) {
    for (s32 i = 0; i < DBRPMode::kCapacity; ++i) {
        const GxString& l = g_DBRPMode.GetRecord(i)->Label;
        if (!l.empty() && l == label) return true;
    }
    return false;
}

void GxInitKeyConfig(GxUserConfig& config) {
    ResetInputKeyMap();
    std::fill(std::begin(config.m_KeyConfig), std::end(config.m_KeyConfig), 0);
    for (s32 k = 0; k < DBKeyMap::kCapacity; ++k) {
        const DBKeyMapRecord& action = *g_DBKeyMap.GetRecord(k);
        for (s32 j = 0; j < kKeyCodeCount; ++j) {
            if (action.KeyCodeStr[j].empty()) continue;
            const s32 code = GxGetKeyCodeFromName(action.KeyCodeStr[j]);
            // The record's own ID is always within the table: it is its index.
            config.m_KeyConfig[action.ID * GxUserConfig::kKeysPerAction + j] = code;
            EnterKeyMap(code, action);
        }
    }
    AssignFirstStick(config);
}

void GxApplyKeyConfig(GxUserConfig& config) {
    ResetInputKeyMap();
    for (s32 k = 0; k < DBKeyMap::kCapacity; ++k) {
        const DBKeyMapRecord& action = *g_DBKeyMap.GetRecord(k);
        for (s32 j = 0; j < kKeyCodeCount; ++j) {
            const s32 code = config.m_KeyConfig[k * GxUserConfig::kKeysPerAction + j];
            if (code != 0) EnterKeyMap(code, action);
        }
    }
    AssignFirstStick(config);
}

void GxInitSystemVoiceActivated(GxUserConfig& config) {
    for (s32 i = 0; i < GxUserConfig::kVoiceSlotCount; ++i) {
        const DBVoiceVolumeRecord* panel = g_DBVoiceVolume.GetRecord(i);
        config.m_SystemVoice_Activated[i] =
            i <= g_DBVoiceVolume.GetMaxID() && panel && panel->SystemVoiceExist != 0 && panel->SystemVoiceEnabled != 0;
    }
}
