#pragma once
// The player's settings: message speeds, window opacity, the switches of
// skip, auto and voice, the sound engine, the volumes of every channel and of
// each voice-volume slot, which system voices play, the last save page and
// slot, and the number of job workers. The core makes the one instance; the
// configuration scene edits it; "userconf.dat" in the save folder keeps it
// between runs. Main thread only.
#include "base/GxTypes.h"
#include "gamedata/GxPersistFile.h"
#include "ui/GxMessageSettingsBase.h"

class GxCoreBase;

// The message window reads its four settings through GxMessageSettingsBase.
class GxUserConfig : public GxMessageSettingsBase {
public:
    static constexpr int kVoiceSlotCount = 32;
    static constexpr int kKeyActionCount = 64;
    static constexpr int kKeysPerAction = 6;
    static constexpr int kSavePageCount = 10;
    static constexpr int kSaveSlotCount = 80;

    // The process's instance (installed by the core), or null; it is also
    // the message window's settings.
    static GxUserConfig* Get();
    static void Set(GxUserConfig* config);

    // The defaults, page 0, no last slot, an empty key table. The save folder
    // is the core's (the process's core when none is given).
    explicit GxUserConfig(GxCoreBase* core = nullptr);
    ~GxUserConfig() override = default;

    s32 GetTextWaitTime() const override { return m_TextWaitTime; }
    s32 GetTextLongWaitTime() const override { return m_TextLongWaitTime; }
    bool GetFastShowReadedText() const override { return m_FastShowReadedText; }
    bool GetChangeColorReadedText() const override { return m_ChangeColorReadedText; }

    // The defaults of every stored setting; the save page and slot, the key
    // table and the input words stay.
    void SetDefault();
    // Writes "userconf.dat" in the save folder as GxPersistFile::Write does:
    // false, said, where it could not. A file there that a load could not
    // read whole is kept as "userconf.dat.damaged", one another copy wrote
    // since this one read it as "userconf.dat.changed".
    bool Save();
    // Reads "userconf.dat"; false, with the settings as they were, when it is
    // missing, empty, unreadable or foreign. Values out of their range are
    // brought into it.
    bool Load() { return Load(GetFilePath()); }
    bool Load(const GxString& path);
    GxString GetFilePath() const;

    // Volumes for the DirectSound engine: attenuations in hundredths of a
    // decibel, 0 full, -9600 silent.
    s32 GetBGMVolume() const;
    s32 GetBGVVolume(bool mute) const;
    s32 GetSoundVolume() const;
    s32 GetMovieVolume() const;
    s32 GetSystemVoiceVolume() const;
    // The character's voice-volume slot; a character or slot outside the
    // tables counts as a slot at full volume.
    s32 GetCharVoiceVolume(s32 charID) const;
    s32 GetVoiceVolume(s32 slot) const;
    // The BGM's gain from 0 to 1, for the XAudio2 engine.
    f32 GetBGMVolumeLinear() const;
    // The attenuation of a percentage (0 to 100; others are clamped).
    static s32 ToAttenuation(s64 percent);

    s32 m_ScreenMode;
    s32 m_TextWaitTime;
    s32 m_TextLongWaitTime;
    s32 m_AutoWaitTime;
    s32 m_TextWindowOpacity;
    bool m_AllowSkipUnreadText;
    bool m_FastShowReadedText;
    bool m_ChangeColorReadedText;
    bool m_ChangeColorSelectedMenu;
    bool m_KeepAutoModeAfterSelect;
    bool m_KeepSkipModeAfterSelect;
    bool m_StopScreenSaver;
    bool m_VoiceStopTiming;
    bool m_WaitVoiceEndOnAutoMode;
    bool m_NoVoiceSkipMode;
    bool m_UseSystemVoice;
    // 0: XAudio2 where the system has it, else DirectSound; 1 DirectSound; 2 XAudio2.
    s32 m_SoundEngineMode;
    // The mode read at start-up, which is the one in use until the next start.
    s32 m_SoundEngineModeInEffect = 0;
    s32 m_GameDataPage = 0;
    s32 m_LastGameDataFileNum = -1;
    s32 m_Volume_Master;
    s32 m_Volume_BGM;
    s32 m_Volume_BGV;
    s32 m_Volume_System;
    s32 m_Volume_Sound;
    s32 m_Volume_Movie;
    s32 m_Volume_RestrainBGM;
    s32 m_Volume_VoiceMaster;
    s32 m_Volume_SystemVoice;
    s32 m_Volume_Voice[kVoiceSlotCount];
    bool m_SystemVoice_Activated[kVoiceSlotCount];
    // Key codes per key action, filled at every start from the key-map table;
    // not stored.
    s32 m_KeyConfig[kKeyActionCount * kKeysPerAction] = {};
    // Not stored: the first joystick's stick layout and the stick index of
    // the first virtual stick.
    s32 m_InputWord[2] = {0, -1};
    s32 m_AsyncThreadNum;

private:
    void ClampLoadedValues();
    // The attenuation of a channel's volume scaled by the master volume.
    s32 OfMaster(s32 channel) const;

    GxCoreBase* m_Core;
    GxPersistFile::KnownFiles m_Known;
};

// The BGM restraint level, 0 to 100 (100: no restraint), which the BGM
// volumes mix in; values outside are clamped.
s32 GxGetBGMRestraintLevel();
void GxSetBGMRestraintLevel(s32 level);
