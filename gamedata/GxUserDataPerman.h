#pragma once
// What the player has reached across every playthrough, apart from any save
// game: the script messages read, the choices taken in each choice menu, the
// replay labels passed, the gallery pictures shown and a word of extra-option
// bits, kept with the script's permanent variables in "permanent.dat" in the
// save folder. The core makes the one instance. Main thread only.
#include "base/GxTypes.h"
#include "gamedata/GxFlagBits.h"
#include "gamedata/GxPersistFile.h"
#include "script/GxMoaStoredVariables.h"

#include <map>
#include <functional>
#include <set>
#include <vector>

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
    // Writes the file (binary or text form) as GxPersistFile::Write does:
    // false, said, where it could not. What another copy of the game wrote
    // there since this one read or wrote it is merged into this holder and
    // written with it: every flag either copy set (messages read, choices
    // taken, replay labels, pictures shown), and the extra options and
    // permanent variables each copy changed. Where both copies changed one
    // variable, or the modules' data of the two differ, this copy's is
    // written and the other copy's file is kept as "<name>.changed", with a
    // line naming what differed.
    bool Save(const GxString& path, bool binary);
    // Reads the file over the containers; false, with nothing changed, when
    // it is missing, empty, unreadable or foreign. A damaged file keeps what
    // was read before the damage, is logged, and returns false. Then the
    // files writes held that the start handed over (MergeAtLoad) are merged
    // in and the merged file written: each is dropped once that file stands,
    // or kept as "<name>.changed" where both changed one variable (with no
    // common base to tell whose change is newer, every differing variable is
    // one both changed), as "<name>.damaged" where it would not read.
    bool Load(const GxString& path);
    // Files of another copy's that writes held and the start left for this
    // holder to merge at its next load.
    void MergeAtLoad(std::vector<psys::held_file> held) { m_HeldAtStart = std::move(held); }

    std::map<GxString, GxFlagWords> m_ReadedMessageFlags;
    std::map<GxString, GxFlagWords> m_SelectedMenuFlags;
    std::set<GxString> m_PassedReplayLabels;
    // Keyed by file title, found in any letter case, kept as first seen;
    // written in the plain order of the names.
    std::map<GxString, s32, GxPictureNameLess> m_ShowedCGFlags;
    GxBit32 m_ExtraOption;

private:
    // What the file and this holder last agreed on (as last read or
    // written): the base against which a change another copy made is told
    // from one of this copy's own. Flags are only ever added, so they need
    // none.
    struct Stored {
        GxBit32 extraOption;
        GxMoaStoredVariables variables;
    };

    GxCoreBase* Core() const;
    bool WriteBody(GxContentWriterBase& writer);
    bool LoadFile(const GxString& path);
    // The extra options and the permanent variables as this holder would
    // write them now.
    Stored Current();
    // The bytes of what a writer (the modules') writes, in the binary form.
    static std::vector<u8> Serialized(const std::function<void(GxContentWriterBase&)>& write);
    // Takes what another copy wrote to the file at path into this holder;
    // withoutBase where nothing tells what the two last agreed on.
    GxPersistFile::MergeResult MergeFrom(const GxString& path, bool withoutBase = false);
    void MergeHeldAtStart(const GxString& path);
    // Rows of the file before the script's variables; false at the first
    // damage (what was read before it stays).
    bool ReadTables(GxContentReaderBase& reader);

    GxCoreBase* m_Core;
    GxPersistFile::KnownFiles m_Known;
    Stored m_Base;
    std::vector<psys::held_file> m_HeldAtStart;
};
