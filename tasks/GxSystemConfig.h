#pragma once
// The game's fixed settings and the developer switches: built-in defaults,
// then "system/sysconf.ini" (the game's configuration, required), then
// "setting.ini" (developer switches, optional). The core owns the one
// instance; every other part reads its fields directly.
#include "base/GxTypes.h"

// Indexes of GxSystemConfig::m_FolderNames.
enum GxSystemFolder : int {
    kGxFolderScripts, kGxFolderCG, kGxFolderCGBG, kGxFolderCGEV, kGxFolderCGName, kGxFolderCGStand,
    kGxFolderCGUI, kGxFolderCGTR, kGxFolderCGExtras, kGxFolderData, kGxFolderGnc, kGxFolderGncGis,
    kGxFolderUIGis, kGxFolderFonts, kGxFolderModels, kGxFolderModelTextures, kGxFolderModelExtras,
    kGxFolderModelShaders, kGxFolderBGMs, kGxFolderSounds, kGxFolderSoundsSys, kGxFolderSoundsSE,
    kGxFolderSoundsBGV, kGxFolderSoundsTest, kGxFolderVoices, kGxFolderVoicesBattle, kGxFolderVoicesSys,
    kGxFolderMovies, kGxFolderCount
};

class GxSystemConfig {
public:
    static constexpr int kFontSizeCount = 6;
    static constexpr int kSystemSoundCount = 16;
    static constexpr int kPackFileKeyCount = 32;

    // Every field at its default; reads no file.
    GxSystemConfig();
    virtual ~GxSystemConfig() = default;

    // "system/sysconf.ini", and the pack archives its PACK_FILE_00 to
    // PACK_FILE_31 keys name. False when the file is missing, cannot be
    // loaded or gives no key (all but a missing file are logged with their
    // reason); the fields then keep their values.
    bool LoadSystemConfig();
    // "setting.ini" (on disk or in a pack); false when it is absent or
    // unreadable, the fields then keep their values.
    bool LoadDeveloperSettings();

    // Developer switches ("setting.ini").
    bool m_DebugModeFlag = false;
    bool m_DebugConsoleFlag = false;
    bool m_AutoCompile = false;
    bool m_SaveToMyDocuments = true;  // SAVE_TO_MYDOCUMENTS, then SaveToMyDocuments
    GxString m_TextEditorCommand;
    bool m_SkipSlightError = true;
    bool m_CleanErrorLog = false;
    bool m_DisableMovie = false;
    bool m_ErrorStopNotFound_BGM = false;
    bool m_ErrorStopNotFound_BGV = false;
    bool m_ErrorStopNotFound_SE = false;
    bool m_ErrorStopNotFound_VO = false;
    bool m_ErrorStopNotFound_BG = false;
    bool m_ErrorStopNotFound_EV = false;

    // Colours, 0xAARRGGBB.
    u32 m_SystemTextColor0 = 0xFFFFFFFF;
    u32 m_SystemTextColor1 = 0xFFAAEEFF;
    u32 m_SystemShadowColor = 0x80000000;
    u32 m_SystemEdgeColor = 0x80000000;
    u32 m_MesWinTextColor0 = 0xFFFFFFFF;
    u32 m_MesWinTextColor1 = 0xFFAAEEFF;
    u32 m_MesWinShadowColor = 0x80000000;
    u32 m_MesWinEdgeColor = 0x80000000;
    s32 m_MesWinLetterMarginWidth = 4;
    GxString m_MesWinTextBuiltinFontName;
    u32 m_AvgLogTextColor0 = 0xFFFFFFFF;
    u32 m_AvgLogTextColor1 = 0x80000000;
    u32 m_AvgLogEdgeColor = 0x80000000;
    u32 m_SelectTextColor0 = 0xFFFFFFFF;
    u32 m_SelectTextColor1 = 0xFFAAEEFF;
    u32 m_SelectEdgeColorNA = 0xFF808080;
    // Scenes clear the screen with it.
    u32 m_BackgroundColor = 0xFF000000;

    // Times in milliseconds.
    s32 m_CharEffectTime = 800;     // character and shake commands
    s32 m_ScreenEffectTime = 1000;  // background, event-picture, fade, flash and movie commands
    s32 m_SceneTransitTime = 400;   // the cross-fade when a scene with a transition ends
    s32 m_MovieAutoDisappearTime = 800;  // how long a finished movie stays on its layer

    // Text.
    GxChar m_RubyOpenChar = 0x226A;
    GxChar m_RubyCloseChar = 0x226B;
    GxChar m_RubySeparatorChar = 0xFF0F;
    GxChar m_VerticalBarChar = u'|';
    GxString m_NameBrackets;
    GxString m_LineStartForbidden;
    GxString m_LineEndForbidden;
    s32 m_FontSize[kFontSizeCount] = {11, 15, 23, 24, 22, 38};

    s32 m_ChoiceCount = 10;
    s32 m_MessageLogLimit = 100;
    s32 m_BacklogPage = 5;

    GxString m_FolderNames[kGxFolderCount];
    // The interface sounds by number: "sounds/sys/push.wav" ...
    GxString m_SystemSoundFiles[kSystemSoundCount];

    GxString m_AppTitle;
    GxString m_AppSaveDir;
    GxString m_QuickSaveFileName;
    GxString m_BGMNameTitle;
    s32 m_BGMLoopTitle = 0;
    GxString m_BGMNameCGMode;
    s32 m_BGMLoopCGMode = 0;
    GxString m_BGMNameRPMode;
    s32 m_BGMLoopRPMode = 0;
    GxString m_BGMNameExtra;
    s32 m_BGMLoopExtra = 0;
    GxString m_MovNameOpening;
    GxString m_LabelNameExtra;
    GxString m_FileCGError;
    GxString m_FileCGBGDefault;
    // Written by the game's start-up when it chooses the audio back end.
    bool m_UseXAudio2 = true;
};
