#pragma once
// The play record of the running game: its title and resume scene, the choice
// menu, the main scene's pending waits, the backlog, the queued notices, the
// remembered sound channels and a few display flags. The same class writes
// and reads save games: the play record, the script's game variables and the
// main worker's state, the sound records, the stored forms of the main
// scene's layers, windows and choice buttons (found by task name), and what
// the plugged-in modules add. The core makes the one instance. Main thread
// only.
#include "base/GxTypes.h"
#include "gamedata/GxGameDataHeader.h"
#include "gamedata/GxMessageLogElement.h"
#include "gamedata/GxNoticeParam.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxSelectMenuItem.h"
#include "gamedata/GxSoundParam.h"

#include <deque>
#include <vector>

class GxCoreBase;
class GxSystemConfig;
class GxContentReaderBase;
class GxContentWriterBase;
class GxTaskBase;
class GxTaskManage;

class GxUserData {
public:
    static constexpr int kSECount = 4;
    static constexpr int kVoiceCount = 4;
    static constexpr u32 kStorageGame = 3;

    // The process's instance (installed by the core), or null.
    static GxUserData* Get();
    static void Set(GxUserData* userData);

    // Cleared. The scene's tasks and the module broadcasts are the core's
    // (the process's core when none is given).
    explicit GxUserData(GxCoreBase* core = nullptr);
    virtual ~GxUserData() = default;

    // The play record of a new game; the option bits stay.
    void Clear();
    void SetGameDataTitle(const GxString& title) { m_GameDataTitle = title; }
    void SetRestoreSequence(const GxString& name) { m_RestoreSequence = name; }
    GxString GetRestoreSequence() const { return m_RestoreSequence; }
    // The choice menu closed and emptied; the last choice taken stays.
    void ClearSelect();
    void ClearCurrentVoices();
    // Appends a backlog entry with the current voices; the oldest entries go
    // beyond the log limit.
    void AddMessageLog(const GxString& name, const GxString& message, bool ignoreKinsoku, bool disenableAutoNewline);
    // Back to a new game: sounds (the BGM only with stopBGM) and movies
    // stopped, the play record, the main scene and the script's game state
    // reset, the screen covered by the global fade.
    void ResetPlayState(bool stopBGM);

    // Writes a save game (binary or text form) as GxPersistFile::Write does:
    // false, said, where it could not be written or a stored task of the
    // main scene is missing. A file there that would not load (its load,
    // check or header read failed, or, for one only the start saw, the
    // check this write makes first) is kept as "<name>.damaged"; one that
    // another copy of the game wrote since this holder saw the path (read it,
    // saw nothing there, or wrote it) as "<name>.changed"; one that is not
    // the player's, or that this user may not read, is left as it stands and
    // the save fails. outcome, beforeCommit and keptBeside are Write's.
    bool SaveGameData(const GxString& path, bool binary, GxPersistFile::Outcome* outcome = nullptr,
                      const GxPersistFile::BeforeCommit& beforeCommit = {}, const GxString& keptBeside = {});
    // Notes how each file stands now, read or not, so that a save over one
    // that another copy of the game writes later keeps that copy's file:
    // for the save games of a save folder, at the start.
    void SeeFiles(const std::vector<GxString>& paths);
    // What this holder knows of the files it writes, for a writer of a file
    // that goes with them (a slot's thumbnail).
    GxPersistFile::KnownFiles& GetKnownFiles() { return m_Known; }
    // Reads a save game over the play record and, with readAll, the script,
    // the sounds and the main scene. False when the file is missing, empty or
    // foreign (nothing changed), or when anything in it could not be read
    // (what could be read stays).
    bool LoadGameData(const GxString& path, bool readAll);
    // Whether a save game would load: its magic, its play record, and every
    // value after it whole, of a known type and nested in step to the end.
    // The play is not changed, so a load can be refused before it resets the
    // game.
    bool CheckGameData(const GxString& path);
    // Reads only the head of a save game; the play record is not touched.
    bool ReadGameDataHeader(const GxString& path, GxGameDataHeader* header);

    // Sections of a save game. The writers say whether every stored task was
    // there; the readers whether the section could be read in step.
    bool WriteSoundState(GxContentWriterBase& writer);
    bool ReadSoundState(GxContentReaderBase& reader);
    bool WriteSceneLayers(GxContentWriterBase& writer);
    bool ReadSceneLayers(GxContentReaderBase& reader);
    bool WriteSceneWindows(GxContentWriterBase& writer);
    bool ReadSceneWindows(GxContentReaderBase& reader);
    bool WriteSelectButtons(GxContentWriterBase& writer);
    bool ReadSelectButtons(GxContentReaderBase& reader);

    GxString m_GameDataTitle;
    GxString m_RestoreSequence;
    GxString m_RestoreSubParam;
    GxBit32 m_GameDataOption;

    bool m_IsSelecting = false;
    s32 m_LastSelectNum = 0;
    s32 m_CancelSelectNum = 0;
    GxString m_SelectHash;
    // Choice count + 1 entries; entry i (from 1) is choice button i.
    std::vector<GxSelectMenuItem> m_SelectMenuItemList;

    s32 m_Hold_WaitClick = 0;
    s32 m_Hold_WaitTime = 0;
    s32 m_Hold_WaitTime_TimeLeft = 0;
    s32 m_Hold_EndOfMovie = 0;
    s32 m_Hold_EndOfLayerActionAll = 0;
    s32 m_Hold_EndOfLayerActionSeparate = 0;
    GxString m_Hold_EndOfLayerActionSeparate_LayerName;
    s32 m_Hold_EndOfBGM = 0;
    s32 m_Hold_EndOfBGV = 0;
    s32 m_Hold_EndOfSE = 0;
    s32 m_Hold_EndOfVoice = 0;

    s32 m_NameIdentifyMode = 2;
    bool m_IgnoreKinsoku = false;
    s32 m_LastDialogResult = 0;

    // Oldest first.
    std::deque<GxMessageLogElement> m_MessageLog;
    std::deque<GxNoticeParam> m_NoticeList;

    GxSoundParam m_BGMParam;
    GxSoundParam m_BGVParam;
    GxSoundParam m_SEParam[kSECount];
    GxSoundParam m_VoiceParam[kVoiceCount];

    // While a scene of the replay gallery plays; not saved.
    bool m_ReplayMode = false;
    bool m_HideWindowByCommandFlag = false;

private:
    GxCoreBase* Core() const;
    GxTaskManage* TaskManage() const;
    // The core's system configuration, or the built-in defaults.
    const GxSystemConfig& SystemConfig() const;
    size_t ChoiceEntries() const;
    size_t LogLimit() const;
    GxTaskBase* FindSceneTask(const GxChar* name) const;
    bool WriteTask(GxContentWriterBase& writer, const GxChar* name);
    bool ReadTask(GxContentReaderBase& reader, const GxChar* name);
    // Values 1 to 19 of the file, the save time first.
    bool WritePlayRecord(GxContentWriterBase& writer) const;
    bool ReadPlayRecord(GxContentReaderBase& reader);
    bool ReadSelectMenuItems(GxContentReaderBase& reader);
    // The play record read into a scratch copy, and the rest of the file
    // stepped over value by value.
    bool CheckStoredForm(GxContentReaderBase& reader) const;

    GxCoreBase* m_Core;
    GxPersistFile::KnownFiles m_Known;
};
