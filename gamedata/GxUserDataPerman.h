#pragma once
// What the player has reached across every playthrough, apart from any save
// game: the script messages read, the choices taken in each choice menu, the
// replay labels passed, the gallery pictures shown and a word of extra-option
// bits, kept with the script's permanent variables in "permanent.dat" in the
// save folder. The core makes the one instance. Main thread only.
#include "base/GxTypes.h"
#include "gamedata/GxFlagBits.h"
#include "gamedata/GxPersistFile.h"

#include <map>
#include <set>

class GxCoreBase;
class GxContentReaderBase;
class GxContentWriterBase;

// Gallery pictures are named as files are: without regard to ASCII case.
struct GxPictureNameLess {
    bool operator()(const GxString& a, const GxString& b) const;
};

class GxUserDataPerman {
public:
    // The process's instance (installed by the core), or null.
    static GxUserDataPerman* Get();
    static void Set(GxUserDataPerman* perman);

    // Empty. The module broadcasts go to the core given (the process's core
    // when none is).
    explicit GxUserDataPerman(GxCoreBase* core = nullptr);
    virtual ~GxUserDataPerman() = default;

    // Read messages: keyed by script name, flag = statement number + 1.
    void SetReadedMessage(const GxString& key, s32 flag);
    bool IsReadedMessage(const GxString& key, s32 flag) const;
    // Taken choices: keyed by the choice menu's hash, flag = choice number.
    void SetSelectedMenu(const GxString& key, s32 flag);
    bool IsSelectedMenu(const GxString& key, s32 flag) const;
    // Every non-empty label of the replay table, and nothing else.
    void PassAllReplayLabels();
    // Marks the picture (keyed by its file title) as shown.
    void SetShowedCG(const GxString& path);
    // Marks every picture of the gallery entry that holds the file; false,
    // with nothing marked, when no entry holds it or the entry counts none.
    bool SetShowedCGGroup(const GxString& file);
    // Every picture of the gallery, and nothing else.
    void SetShowedAllCG();

    // "permanent.dat" in the save folder.
    GxString GetFilePath() const;
    // Writes the file (binary or text form). A file at the path that a load
    // could not read whole is kept aside under "<name>.damaged" (or a
    // numbered name beside copies kept before) by the first save over it, so
    // that nothing unread is lost; if it cannot be, the save is refused. One
    // written by another copy of the game since this one read it is kept as
    // "<name>.changed" in the same way.
    bool Save(const GxString& path, bool binary);
    // Reads the file over the containers; false, with nothing changed, when
    // it is missing, empty, unreadable or foreign. A damaged file keeps what
    // was read before the damage, is logged, and returns false.
    bool Load(const GxString& path);

    std::map<GxString, GxFlagWords> m_ReadedMessageFlags;
    std::map<GxString, GxFlagWords> m_SelectedMenuFlags;
    std::set<GxString> m_PassedReplayLabels;
    // Keyed by file title, found in any letter case, kept as first seen;
    // written in the plain order of the names.
    std::map<GxString, s32, GxPictureNameLess> m_ShowedCGFlags;
    GxBit32 m_ExtraOption;

private:
    GxCoreBase* Core() const;
    // Rows of the file before the script's variables; false at the first
    // damage (what was read before it stays).
    bool ReadTables(GxContentReaderBase& reader);

    GxCoreBase* m_Core;
    GxPersistFile::KnownFiles m_Known;
};
