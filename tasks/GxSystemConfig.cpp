#include "tasks/GxSystemConfig.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "io/GxFileSystem.h"
#include "io/GxINIFile.h"

namespace {

constexpr const GxChar* kFolderNames[kGxFolderCount] = {
    u"scripts/", u"cg/", u"cg/bg/", u"cg/ev/", u"cg/name/", u"cg/stand/", u"cg/ui/", u"cg/tr/", u"cg/extras/",
    u"data/", u"gnc/", u"gnc/gis/", u"uigis/", u"fonts/", u"models/", u"models/textures/", u"models/extras/",
    u"models/shaders/", u"bgms/", u"sounds/", u"sounds/sys/", u"sounds/se/", u"sounds/bgvs/", u"sounds/test/",
    u"voices/", u"voices/battle/", u"voices/sys/", u"movies/",
};

constexpr const GxChar* kSystemSounds[] = {
    u"push.wav", u"cancel.wav", u"open.wav", u"close.wav", u"drag.wav",
    u"drop.wav", u"decide.wav", u"notice0.wav", u"notice1.wav", u"direct.wav",
};

void ReadString(const GxINIFile& ini, const GxChar* key, GxString& field) {
    GxString value;
    field = ini.GetString(&value, key, field);
}

void ReadInt(const GxINIFile& ini, const GxChar* key, s32& field) { field = ini.GetInt(key, field); }

// Colours are written as 0xAARRGGBB, which does not fit a signed 32-bit parse.
void ReadColour(const GxINIFile& ini, const GxChar* key, u32& field) {
    field = u32(u64(ini.GetInt64(key, s64(field))) & 0xFFFFFFFFu);
}

void ReadBool(const GxINIFile& ini, const GxChar* key, bool& field) { field = ini.GetBool(key, field); }

} // namespace

GxSystemConfig::GxSystemConfig() {
    m_NameBrackets = u"「（";
    m_LineStartForbidden = u"!),.:;?]}°’”‰′″℃、。々〉》」』】〕゛゜ゝゞ・ヽヾ！），．：；？］｝｡｣､･ﾞﾟ";
    m_LineEndForbidden = u"‘“〈《「『【〔（［｛｢";
    for (int i = 0; i < kGxFolderCount; ++i) m_FolderNames[i] = kFolderNames[i];
    int n = 0;
    for (const GxChar* file : kSystemSounds) m_SystemSoundFiles[n++] = m_FolderNames[kGxFolderSoundsSys] + file;
    m_AppTitle = u"Quillon";
    m_AppSaveDir = u"Quillon_SAVE";
    m_QuickSaveFileName = u"gamedata_quick.gd";
    m_FileCGError = u"cg/error.png";
    m_FileCGBGDefault = u"cg/bg/黒.png";
}

bool GxSystemConfig::LoadSystemConfig() {
    constexpr const GxChar* kPath = u"system/sysconf.ini";
    // A missing file says nothing here: the refusal of the start says enough.
    // One that is there but unread, or that gives no key, is named with its
    // reason; taken for a game of all defaults it would start under another
    // name with the player's saves out of sight.
    if (GxFileExists(kPath) == kGxFileNotFound) return false;
    GxINIFile ini;
    ini.Load(kPath, false);
    switch (ini.GetNoKeyReason()) {
    case GxINIFileNoKey::None: break;
    // A folder, a FIFO, a file too large or one that may not be read: the
    // file layer has named it and said why.
    case GxINIFileNoKey::NotRead: return false;
    case GxINIFileNoKey::Empty: GxWriteErrorLog(u"Error/GxSystemConfig Empty File(%s)\n", kPath); return false;
    case GxINIFileNoKey::BigEndianUtf16:
        GxWriteErrorLog(u"Error/GxSystemConfig UTF-16 Big-Endian Is Not Read(%s)\n", kPath);
        return false;
    case GxINIFileNoKey::NoEntry: GxWriteErrorLog(u"Error/GxSystemConfig No Key In File(%s)\n", kPath); return false;
    }

    ReadString(ini, u"APP_TITLE", m_AppTitle);
    ReadString(ini, u"APP_SAVEDIR", m_AppSaveDir);
    for (int i = 0; i < kFontSizeCount; ++i) ReadInt(ini, GxFormat(u"FONTSIZE_%d", i).c_str(), m_FontSize[i]);
    ReadColour(ini, u"SYSTEM_TEXT_COLOR0", m_SystemTextColor0);
    ReadColour(ini, u"SYSTEM_TEXT_COLOR1", m_SystemTextColor1);
    ReadColour(ini, u"SYSTEM_SHADOW_COLOR", m_SystemShadowColor);
    ReadColour(ini, u"SYSTEM_EDGE_COLOR", m_SystemEdgeColor);
    ReadColour(ini, u"MESWIN_TEXT_COLOR0", m_MesWinTextColor0);
    ReadColour(ini, u"MESWIN_TEXT_COLOR1", m_MesWinTextColor1);
    ReadColour(ini, u"MESWIN_SHADOW_COLOR", m_MesWinShadowColor);
    ReadColour(ini, u"MESWIN_EDGE_COLOR", m_MesWinEdgeColor);
    ReadInt(ini, u"MESWIN_LETTER_MARGINWIDTH", m_MesWinLetterMarginWidth);
    ReadString(ini, u"MESWIN_TEXT_BUILTINFONTNAME", m_MesWinTextBuiltinFontName);
    ReadColour(ini, u"AVGLOG_TEXT_COLOR0", m_AvgLogTextColor0);
    ReadColour(ini, u"AVGLOG_TEXT_COLOR1", m_AvgLogTextColor1);
    ReadColour(ini, u"AVGLOG_EDGE_COLOR", m_AvgLogEdgeColor);
    ReadColour(ini, u"SELECT_TEXT_COLOR0", m_SelectTextColor0);
    ReadColour(ini, u"SELECT_TEXT_COLOR1", m_SelectTextColor1);
    ReadColour(ini, u"SELECT_EDGE_COLORNA", m_SelectEdgeColorNA);

    GxString value;
    m_BGMNameTitle = ini.GetString(&value, u"BGM_NAME_TITLE", u"");
    m_BGMLoopTitle = ini.GetInt(u"BGM_LOOP_TITLE", 0);
    m_BGMNameCGMode = ini.GetString(&value, u"BGM_NAME_CGMODE", u"");
    m_BGMLoopCGMode = ini.GetInt(u"BGM_LOOP_CGMODE", 0);
    m_BGMNameRPMode = ini.GetString(&value, u"BGM_NAME_RPMODE", u"");
    m_BGMLoopRPMode = ini.GetInt(u"BGM_LOOP_RPMODE", 0);
    m_BGMNameExtra = ini.GetString(&value, u"BGM_NAME_EXTRA", u"");
    m_BGMLoopExtra = ini.GetInt(u"BGM_LOOP_EXTRA", 0);
    m_MovNameOpening = ini.GetString(&value, u"MOV_NAME_OPENING", u"");
    m_LabelNameExtra = ini.GetString(&value, u"LABEL_NAME_EXTRA", u"");

    ReadString(ini, u"FILE_CG_ERROR", m_FileCGError);
    ReadString(ini, u"FILE_CG_BG_DEFAULT", m_FileCGBGDefault);
    ReadBool(ini, u"SAVE_TO_MYDOCUMENTS", m_SaveToMyDocuments);

    // Mounted in key order, after "system.gxp"; a gap in the numbers stops nothing.
    for (int n = 0; n < kPackFileKeyCount; ++n) {
        const GxString pack = ini.GetString(&value, GxFormat(u"PACK_FILE_%02d", n), u"");
        if (!pack.empty()) GxMountPackFileReported(pack, false);
    }
    return true;
}

bool GxSystemConfig::LoadDeveloperSettings() {
    if (GxFileExists(u"setting.ini") == kGxFileNotFound) return false;
    GxINIFile ini;
    if (!ini.Load(u"setting.ini", false)) return false;
    m_DebugModeFlag = ini.GetBool(u"DebugModeFlag", false);
    m_DebugConsoleFlag = ini.GetBool(u"DebugConsoleFlag", false);
    m_AutoCompile = ini.GetBool(u"AutoCompile", false);
    // Overrides the game's choice only when it names the key.
    ReadBool(ini, u"SaveToMyDocuments", m_SaveToMyDocuments);
    GxString value;
    m_TextEditorCommand = ini.GetString(&value, u"TextEditorCommand", u"");
    m_SkipSlightError = ini.GetBool(u"SkipSlightError", true);
    m_CleanErrorLog = ini.GetBool(u"CleanErrorLog", false);
    m_DisableMovie = ini.GetBool(u"DisableMovie", false);
    m_ErrorStopNotFound_BGM = ini.GetBool(u"ErrorStopNotFound_BGM", false);
    m_ErrorStopNotFound_BGV = ini.GetBool(u"ErrorStopNotFound_BGV", false);
    m_ErrorStopNotFound_SE = ini.GetBool(u"ErrorStopNotFound_SE", false);
    m_ErrorStopNotFound_VO = ini.GetBool(u"ErrorStopNotFound_VO", false);
    m_ErrorStopNotFound_BG = ini.GetBool(u"ErrorStopNotFound_BG", false);
    m_ErrorStopNotFound_EV = ini.GetBool(u"ErrorStopNotFound_EV", false);
    return true;
}
