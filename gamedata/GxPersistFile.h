#pragma once
// The file handling shared by the settings, the save games and the permanent
// data. A write is whole or not at all, and loses no file another copy of the
// game or another program wrote: how, and what a start does with what writes
// left, is written once, in platform/system/safe_file.h. Reading loads the
// file whole and checks its magic before anything is read. A file at a game
// file's name that is another user's, or one the player may not read, is
// neither read nor written over (one line says whose it is and how to give
// it back).
#include "base/GxTypes.h"
#include "io/GxBinBuffer.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

class GxContentReaderBase;
class GxContentWriterBase;

class GxPersistFile {
public:
    // The version every persistence file is written with.
    static constexpr u32 kVersion = 100;
    // No settings, permanent data or save game comes near this; a file that
    // claims more is not read whole into memory.
    static constexpr u64 kMaxFileBytes = 64ull << 20;

    // What one holder knows of its files, so that a write never loses bytes
    // it did not read: a file whose load failed is kept as "damaged" by the
    // first write over it, and one that changed on the disk since the holder
    // last read or wrote it (another copy of the game wrote it) is merged or
    // kept as "changed".
    class KnownFiles {
    public:
        // A file whose bytes were not read whole: the next write keeps it.
        void MarkUnread(const GxString& path) { m_Unread.insert(path); }
        bool IsUnread(const GxString& path) const { return m_Unread.count(path) != 0; }
        void ClearUnread(const GxString& path) { m_Unread.erase(path); }
        // How the file stood when read or written (null: nothing stood
        // there), and its bytes' mark where they are known.
        void Saw(const GxString& path, const psys::file_status* status, const std::string& mark = {});
        // The same for bytes read from the file as it stood (status): their
        // mark counts only where the file still stands so.
        void SawRead(const GxString& path, const psys::file_status& status, const std::string& mark);
        // Sees the file as it stands now, with its bytes' mark: bytes no
        // load has judged.
        void SawAsItStands(const GxString& path);
        // Whether the file at path stands as SawAsItStands last saw it (its
        // very bytes), no load or write of this holder's having judged them.
        bool Unjudged(const GxString& path) const;
        // The mark of the bytes of the file last seen with this status ("":
        // seen otherwise, or its bytes not known).
        std::string MarkOf(const GxString& path, const psys::file_status& status) const;
        // Whether the file stands otherwise than when last seen; false for a
        // file never seen. Where it stands with another status (a file
        // system that keeps times coarsely, sets them only once the file is
        // closed, or sets them when the file is moved, as FAT's do), the
        // bytes of the file at (its name, or a name a write holds it under)
        // tell: the bytes this holder wrote or saw are its own file. A
        // status alone never passes for the same file.
        bool ChangedSince(const GxString& path, const psys::file_status* now, const std::string& at = {}) const;
        // True the first time a file that is not the player's is met at the
        // path since the path last held the player's (or nothing): its line
        // is said once.
        bool FirstRefusal(const GxString& path) { return m_Refused.insert(path).second; }
        void ClearRefusal(const GxString& path) { m_Refused.erase(path); }

    private:
        struct Seen {
            std::optional<psys::file_status> status;
            std::string mark;
            bool unjudged = false;
        };
        std::set<GxString> m_Unread, m_Refused;
        std::map<GxString, Seen> m_Seen;
    };
    // Kept copies are "<name>.<why>", then "<name>.<n>.<why>" (KeptFilePath,
    // n from 1): "damaged" for a file that did not load, up to
    // kMaxKeptFiles (past those the next is removed, with a line, so that a
    // file damaged at every start cannot fill the disk); "changed" for one
    // changed since it was read, up to kMaxChangedFiles.
    static constexpr u32 kMaxKeptFiles = 8;
    static constexpr u32 kMaxChangedFiles = 999;
    static GxString KeptFilePath(const GxString& path, u32 n, const GxChar* why = u"damaged");
    // Keeps a file a write held under its kept names of the kind, with the
    // lines of who (a save beside its thumbnail's of the same number). False
    // where it could not be kept (it stays held, for a start, and the lines
    // say so); *number, when given, the number it took (0: its bytes stood
    // already, or another settled it); *unsynced, when given, whether it
    // took its kept name but the folder's sync after failed (false too).
    static bool KeepHeld(const psys::held_file& held, bool damaged, const GxChar* who, const GxString& beside = {},
                         u32* number = nullptr, bool* unsynced = nullptr);
    // The lines a write (under who) or a start says of what it holds, keeps,
    // puts back and removes.
    static psys::settle_notes Notes(const GxChar* who);

    // What a holder makes of a file another copy of the game wrote, read at
    // the path given: all of it taken into what the holder writes; nothing,
    // for the holder had all of it already; some of it, the rest could not
    // be (the file is then kept as "changed"); or nothing, for it could not
    // be read whole (kept as "damaged").
    enum class MergeResult { Merged, HadItAll, PartlyMerged, Unreadable };
    using Merge = std::function<MergeResult(const GxString& otherPath)>;
    // Called once the new bytes are on the disk (the file's mark tells them),
    // before they replace the old ones; false stops the write there.
    using BeforeCommit = std::function<bool(const psys::safe_file& written)>;
    // What a write did: whether its file took the name (also where the write
    // failed after), whether it held what stood there (no lock, or a file
    // another copy or program changed, or one that did not load), the
    // number of the name it kept that under (0 for none), or whether it
    // dropped it.
    struct Outcome {
        bool placed = false;
        bool held = false;
        u32 keptNumber = 0;
        // The number is of a name it kept a file that did not load under.
        bool keptDamaged = false;
        // It dropped what it held as its own older file.
        bool dropped = false;
    };

    // Writes the header (magic, version) and then the body. True only when the
    // body returned true and the file took its name whole, durably, and
    // everything it replaced was dropped, merged or kept as the rules say;
    // otherwise the failure is logged under who and said by
    // FailureForPlayer. A write that fails before its file takes the name
    // leaves the old file at it, or, where it could not be put back, held
    // for a start (said); one that fails after (its folder could not be
    // synced, or another copy's file it took could not be kept) leaves the
    // new file at the name and what it took held for a start, and says so
    // (FailedWriteStands); so does one whose file took the name and which
    // then fails to write it again with another copy's file merged (that
    // file is kept). A file at the
    // name that is not the player's is not written over. With known,
    // a file marked unread, or standing there unopened, is kept as
    // "damaged"; a file another copy wrote since known saw it is given to
    // merge, when there is one, and written again with what it merged, or
    // else kept as "changed". keptBeside, when given, is a file kept beside
    // this one under the same number (a slot's thumbnail beside its save).
    static bool Write(const GxString& path, bool binary, const char* magic, const GxChar* who,
                      const std::function<bool(GxContentWriterBase&)>& body, KnownFiles* known = nullptr,
                      const Merge& merge = {}, Outcome* outcome = nullptr, const BeforeCommit& beforeCommit = {},
                      const GxString& keptBeside = {});
    // Loads the file whole, without the cache, into buffer and opens a
    // verbose reader on it past the header: the text reader when textMagic is
    // given and the first byte is 'T', otherwise the binary reader with
    // binaryMagic. The reader's complaints name the file. Null when nothing
    // is at the path, the file is empty, or it cannot be read, is too large or
    // has another magic; in the last three cases the file is marked unread
    // in known and one line naming it is logged (under who, or by the
    // reader). A file that is another user's or that the player may not read
    // is not read at all, nor marked: one line (once per known) says whose
    // it is and how to give it back. known sees the file as it stood.
    // notRead, when given, is set when a file stands at the path whose bytes
    // were not read.
    static std::unique_ptr<GxContentReaderBase> Open(const GxString& path, GxBinBuffer* buffer, const char* textMagic,
                                                     const char* binaryMagic, const GxChar* who, KnownFiles* known,
                                                     bool* notRead = nullptr);

    // The reason the last write of this process failed, in the player's
    // words, for the game's notice; "" after one that succeeded. Main thread
    // only.
    static GxString FailureForPlayer();
    // Whether the file of the last write that failed took its name all the
    // same (what failed came after: its folder's sync, so that it may not
    // outlive a power cut, the keep of what it replaced, or the write again
    // with another copy's file merged): the game says it was saved, and
    // what failed.
    static bool FailedWriteStands();
    // Sets them: a write of a file that goes with a save game (its
    // thumbnail) fails or succeeds too. Empty for a success.
    static void SetFailureForPlayer(const GxString& reason, bool stands = false);
    // The reason for a step that failed with errno err ("sync", "sync
    // folder", or another step of safe_file's), of a write whose file took
    // its name already where placed.
    static GxString ReasonForPlayer(const std::string& step, int err, bool placed = false);
    // The error.log line of a write that failed, by who: one whose file
    // took its name says it stands.
    static void LogFailedWrite(const GxChar* who, const GxString& path, const psys::safe_file& file);
    // False, with its line (once per known) and, for a write, the player's
    // reason set, when what stands at the path is not the player's to read
    // or replace.
    static bool RefuseStranger(const GxString& path, const GxChar* who, KnownFiles* known, bool writing);
    // Says so of what a look found (s): the line, once per known, of whose
    // it is and how to give it back, and, for a write, the player's reason.
    static void SayRefused(const GxString& path, const psys::stranger& s, const GxChar* who, KnownFiles* known,
                           bool writing);

    // A count read from a file (a plain u32 value, or a list's begin) is
    // believed only when the bytes left could hold that many values of at
    // least minBytes each; otherwise it is refused with a log line under who
    // and read as 0. False when the count was not read or was refused.
    static bool ReadCount(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who, u32* count);
    static bool ReadListBegin(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who,
                              u32* count);
    // Skips values up to and including the end marker that closes the level
    // the reader is in (a list's or a tree stratum's), stepping over nested
    // levels of the same kind. False when the data ends first.
    static bool SkipToEnd(GxContentReaderBase& reader, u32 beginCode, u32 endCode);
    // The smallest stored value: a type code and four bytes in the binary
    // form (the text form's lines are longer).
    static constexpr u32 kMinValueBytes = 5;
};
