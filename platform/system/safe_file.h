#pragma once
// Files written whole, and what a start does with what writes left behind
// ========================================================================
//
// Every file the game keeps in its save folder (the settings, the permanent
// data, the save games and their thumbnails) is written whole or not at all,
// and no file a copy of the game finished writing is ever lost: not when the
// copy is ended at any step of its write, not when other copies write the
// same file in the same moment where no lock keeps them apart, not at a
// power cut. Every rule of how that is done lives here; the game data only
// says what a file needs (written whole; what it replaces held, kept beside
// it, merged or dropped; a save and its thumbnail as one).
//
// 1. Names
//
// Beside a file's own name P, a writer w uses names of its own, w being
// "<pid>-<16 hex digits from the kernel's generator>": no one can foresee
// such a name or take it first, and the pid only helps a person who reads
// the folder (it says nothing of whether the writer runs: pids come again
// after a reboot and are the same small numbers in every pid namespace).
//   whole file   bytes that were written and synced and stand, or stood, at
//                a file's own name, or are about to take it
//   temporary    "<P>.<w>.tmp": bytes that never stood at P alone: either
//                not yet whole, or a second name of a file that stands at P
//                too. A start removes every temporary name (a companion's
//                written whole, whose main stands, it first puts beside it).
//   held         "<P>.<w>.held": a whole file a write took from P (which may
//                be another copy's finished file), or, for the moment before
//                it is exchanged in, a second name of w's own temporary file.
//                A start settles it; it is never removed while its bytes
//                stand nowhere else.
//   second name  another name of one file (a hard link). A held name is a
//                second name only where the file also stands at P, at a kept
//                name or at another held name, all of which stay; a temporary
//                name never counts, for a start removes it.
//   kept         "<P>.changed", then "<P>.<N>.changed" (N 2 to 999): a whole
//                file set beside P because it is not the one the writer saw
//                (another copy's, or one another program put there);
//                "<P>.damaged", "<P>.<N>.damaged" (to 8): one that would not
//                load. Never replaced; numbered by kept_name() alone.
//   companion    a file written with a main one and kept with it: a slot's
//                thumbnail beside its save. It names its main by the main's
//                mark, a hash of its bytes ("h:<hash>:<size>"), which stays
//                true wherever the folder is copied or synced to (thumbnails
//                of the last release name their save by its device, inode,
//                size and time; those still pair by size and time).
//
// 2. The way of writing, chosen once per folder
//
// The first write or settling in a folder tries, with files of its own
// ("way-probe.<w>.tmp", which a start removes if the try was ended), what
// the file system can do, and every writer and start of the process uses
// that way there (folder_way, said in one line by the game's start):
//   exchange  two names exchanged in one step (renameat2 RENAME_EXCHANGE)
//             and hard links: Linux's ext4, xfs, btrfs, tmpfs, f2fs
//   link      hard links, which refuse to replace, but no exchange (NFS, SMB
//             with hard links, sshfs and most FUSE file systems)
//   move      no hard links, but moves that refuse to replace (renameat2
//             RENAME_NOREPLACE: exFAT, FAT)
//   look      none of these: a move is made where a look found nothing
//
// 3. A write (safe_file)
//
//   1 open     T = "<P>.<w>.tmp" is made anew (O_EXCL, never through a link)
//   2 write    the bytes go to T
//   3 sync     T's bytes reach the disk before any name can show them
// Then the commit. Where this process holds the save folder's lock and P
// stands as the writer last saw it (nothing having stood, nothing stands),
// no other copy can be writing and what P holds is the writer's own older
// file, so it goes in the same step:
//   R4 rename  T -> P (where nothing stood: T placed at P without replacing,
//              and held as below if something came meanwhile)
//   R5 sync folder
// Otherwise (no lock; or another program changed P; or P would not load)
// what stands at P is held, in the folder's way:
//   exchange  X4 link T -> H (H = "<P>.<w>.held"), so that the exchange
//                leaves what it replaces under a name no start removes
//             X5 exchange H <-> P (nothing at P: H moved to P without
//                replacing; something came meanwhile: back to X5)
//             X6 unlink T;  X7 sync folder
//   link      L4 rename P -> H (whatever stands, whoever wrote it)
//             L5 link T -> P (something came meanwhile: back to L4 with a
//                new held name);  L6 unlink T;  L7 sync folder
//   move      M4 rename P -> H;  M5 T moved to P without replacing (back to
//                M4 if something came);  M6 sync folder
//   look      only with the folder's lock (without it such a write fails and
//             says so): K4 rename P -> H;  K5 T renamed to P where a look
//             finds nothing there;  K6 sync folder
// The commit returns only after its folder sync: a write that returned
// stands after a power cut. Then the writer, for each file it holds:
//   C8  drops it (its own older file, or bytes that stand at P or a kept
//       name already): unlink H, only after the commit's folder sync, so a
//       drop cannot outlive the write it follows
//   C9  keeps it: H moved to the first free kept name without replacing,
//       the line that names it written just before (and one more if the
//       move fails), then a folder sync
//   C10 merges it (the permanent data): writes P again with what it held,
//       and drops it only once that write stands
// A slot's save and its thumbnail (pair): the thumbnail's bytes, naming the
// save's mark, and its temporary name are synced before the save commits; the
// save commits and keeps what it held (only at a number whose thumbnail kept
// name is free too); then the thumbnail commits, holding when the save held,
// and what it held goes beside the save it names wherever that save stands
// (put there holding what stood there, which goes on the same way), or is
// removed where that save stands nowhere (after a folder sync: a power cut
// must not bring back a save without it); a thumbnail whose save another
// write still holds stays in hand until that write keeps it
// (settle_held_companions).
//
// 4. A copy ended after each step, and what the next start does
//
//   after 1-3      T, whole or not; P as before       T removed
//   after R4       the new file at P                  nothing to do
//   after X4       H and T one file, the same w's:    H, then T removed
//                  a write not committed; P as before (the old file stays)
//   after X5-X7,   the new file at P (and at T until  T removed; H settled
//   L5-L7, M5-M6,  X6/L6), the replaced one at H
//   K5-K6
//   after L4, M4,  nothing at P; the old file at H,   T removed; H put back
//   K4             the new one at T                   at P
//   after C9       the held file kept, with its line  nothing to do
//   pairs          the thumbnail still at T, whole,   it goes beside that
//                  naming a save that stands          save, as its writer
//                                                     would have put it
// Settling a held file: put back at P where nothing stands there; removed
// where the same bytes stand at P or a kept name; a permanent data file is
// left for the game's load to merge (it is dropped once the merged file
// stands); anything else kept as changed, with its line; where no kept name
// is free it stays, with its line. A held thumbnail goes beside its save as a
// writer's would. Tokens of the last release's turns ("<P>.writing") and
// their asides go, where they are this user's own regular files. The start's
// own steps are of the same kinds (moves that never replace, removals of
// temporary names and of bytes that stand elsewhere), each line before its
// step, so a start ended at any step leaves what the next one settles the
// same way. It syncs the folder after each file kept, before a thumbnail of
// no save goes, and at its end.
//
// 5. What this assumes, and what it does not do
//   - rename, renameat2, link and unlink each act on a name in one step (on
//     NFS, on the server); fsync of a file makes its bytes durable, and
//     fsync of its folder the names in it. At a power cut, bytes not synced
//     are lost, and so may be any change of a name since the last folder
//     sync, but for one that a change which stayed rests on (a change of
//     the same name or of the same file's names): no name ever leads to
//     bytes that were not synced first.
//   - A start settles only where it holds the save folder's lock, and then
//     takes every leftover as its writer's last act, whatever its pid: a
//     lock works for every copy of a folder or for none. Where one copy's
//     lock is seen by no other (a lock kept on one machine of a network
//     folder), a write the start meets fails and says so, and nothing is
//     lost: the start never replaces and removes only temporary names and
//     bytes that stand elsewhere.
//   - Not done: copies without the lock in a folder of the look way (their
//     writes fail and say so); a file changed in place by another program
//     while held; kept names past 999 (the held file stays where it is).
#include "platform/system/file_system.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace psys {

// ---- the folder's way -----------------------------------------------------

enum class write_way { exchange, link, move, look };
const char* write_way_name(write_way way);

// The way of the folder (the one a path lies in, for a file's path), tried
// the first time this process writes or settles there. said, when given, is
// that way in a few Japanese words, for a line of the game's own.
write_way folder_way(const std::string& folder, std::string* said = nullptr);
// This process now holds (or no longer holds) the folder's lock (5.2).
void set_folder_locked(const std::string& folder, bool locked);
bool folder_locked(const std::string& folder);
// Every folder's way and lock forgotten (the process's reset; tests).
void forget_folders();
// The folder as every writer and start of this process names it: "" and
// "." are the same folder, and so are "a/./b//" and "a/b".
std::string folder_key(const std::string& folder);

// ---- whose a file is ---------------------------------------------------------

// What stands at a game file's name that is not the player's to read, hold
// or replace (6): another user's (anything: a file, a link, a FIFO, a
// folder), or a file of the player's that this user may not read.
struct stranger {
    enum class kind { none, others, unreadable };
    kind what = kind::none;
    unsigned uid = 0;
    std::string user;  // the name of uid, or its number
};
stranger stranger_at(const std::string& path);
// The name of the user the files of the folder are written for.
std::string player_name(const std::string& folder);

// ---- what a write holds, and kept names ------------------------------------

// A whole file held under a writer's held name, and the name it was taken
// from (full paths).
struct held_file {
    std::string path;
    std::string final;
    file_status status;
};

// "<final>.<why>" for n 1, "<final>.<n>.<why>" after.
std::string kept_name(const std::string& final, unsigned n, const char* why);

// What a write or a start did, or is about to do, for the lines the game
// writes: each before the step it names, so that a copy ended right after
// the step has said it.
struct settle_note {
    enum class kind {
        keeping,      // path is about to be kept as target
        keep_failed,  // ... and could not be (why)
        no_name,      // no kept name was free: path stays where it is held
        put_back,     // path is about to go back to its name, target
        finished,     // a write's finished companion is about to take its name, target
        same_bytes,   // path holds bytes that stand at target: removed
        second_name,  // path is another name of the file at target: removed
        beyond_limit, // a damaged file past the limit of those kept: removed
        temporary,    // a temporary name of a write that did not finish: removed
        token,        // a token of the last release's turns: removed
        orphan,       // a companion whose main stands nowhere: removed
        narrowed,     // a file open to more than its folder's writers: narrowed
        failed,       // a step failed (why): path stays
    };
    kind what;
    std::string path, target, why;
    // Where a write or a start of which kind said it: the writer's own, or
    // the start's.
    bool start = false;
};
using settle_notes = std::function<void(const settle_note&)>;

// How a held file is kept: under which kind of kept name, up to how many,
// and, for a save, the companion whose kept name of the same number must be
// free too. A file whose bytes stand at its name or at a kept name of the
// same kind (the player's) is removed instead: nothing is kept twice (4).
struct keep_rule {
    const char* why = "changed";
    unsigned limit = 999;
    std::string beside;
};
struct keep_result {
    enum class outcome { kept, same_bytes, beyond_limit, no_name, failed };
    outcome what = outcome::failed;
    std::string name;  // the kept name, once kept
    unsigned number = 0;
    // Why it could not be kept, or why its name may not outlive a power cut
    // (a folder sync that failed after it was kept).
    std::string error;
};
keep_result keep_held(const held_file& file, const keep_rule& rule, const settle_notes& notes);
// Removes the held name (C8): false where it stays.
bool drop_held(const held_file& file);

// ---- a write ----------------------------------------------------------------

class safe_file {
public:
    safe_file() = default;
    // An open file that was never committed is abandoned; files it held stay
    // where they are held.
    ~safe_file();
    safe_file(const safe_file&) = delete;
    safe_file& operator=(const safe_file&) = delete;

    // Makes the temporary file for binary writing, with the folder's reach
    // (give_folder_reach). False when it cannot be made; error() says why.
    bool open(const std::string& path);
    FILE* stream() const { return file_; }
    bool is_open() const { return file_ != nullptr; }
    // Asks the commit to hold what stands at the name instead of replacing
    // it, unless this process holds the folder's lock and as_seen says that
    // what stands there (null: nothing) is the file the writer last saw.
    void hold_replaced(std::function<bool(const file_status* now)> as_seen = {});
    // Flushes and syncs the temporary file, which stays until the commit or
    // abandon, and, where its name must outlive a power cut too (a
    // companion whose main is about to commit), its folder. False, with it
    // removed, when any step failed.
    bool prepare(bool name_too = false);
    // Prepares (unless done) and gives the file its name. False when any
    // step failed, the folder sync after the name was taken too: then what
    // it held stays held, for a start (take_held names it; I5), and so does
    // a companion's temporary file (one prepared with its name).
    bool commit();
    // Closes and removes the temporary file; the old file stays.
    void abandon();
    // Why the last step failed ("<step>: <reason>"), its step and errno.
    const std::string& error() const { return error_; }
    const std::string& failed_step() const { return failed_step_; }
    int error_number() const { return errno_; }
    // After prepare: the new file as it will stand, and its bytes' mark.
    const file_status& written() const { return written_; }
    const std::string& mark() const { return mark_; }
    // After a commit: whether the new file took its name (a commit whose
    // folder sync failed did), whether it held anything, and what.
    bool placed() const { return placed_; }
    bool held_any() const { return holding_; }
    std::vector<held_file> take_held();

private:
    friend struct safe_file_stream;
    void fail(const char* step, int err);
    bool place(bool hold, bool present);
    bool on_placed();

    FILE* file_ = nullptr;
    int fd_ = -1;
    // The reason of the first write that failed: the stream only remembers
    // that one did.
    int write_error_ = 0;
    bool prepared_ = false;
    bool hold_ = false;
    bool holding_ = false;
    bool placed_ = false;
    bool companion_ = false;
    std::function<bool(const file_status*)> as_seen_;
    std::string path_;
    std::string writer_;
    std::string temp_;
    std::string held_name_;
    file_status written_;
    unsigned long long hash_ = 0;
    unsigned long long bytes_ = 0;
    std::string mark_;
    std::vector<held_file> held_;
    std::string error_, failed_step_;
    int errno_ = 0;
};

// Writes the bytes through a safe_file.
bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// ---- pairs ------------------------------------------------------------------

// A main file and the companion written with it (full paths); mark_of reads
// the main's mark a companion bears ("" for none, or for a file that is not
// whole).
struct file_pair {
    std::string main;
    std::string companion;
    std::function<std::string(const std::string& path)> mark_of;
};
// Whether the file at path is the one the mark names.
bool bears_mark(const std::string& path, const std::string& mark);
// A companion in hand (a held file), and what its write did with the main
// that stood with it at the companion's name, where the write knows: kept
// it under a number, or dropped it (its own older file).
struct companion_hand {
    held_file file;
    enum class main_was { not_known, kept, dropped };
    main_was main = main_was::not_known;
    unsigned kept_with = 0;
    // A write's own companion, written whole, that it did not get to put at
    // its name (a start finishes it).
    bool finished = false;
};
// Puts each companion in hand beside the main it goes with (7), and with
// them those that other writes left in hand whose main they find: placed
// there holding what stood there, which goes on the same way; removed where
// no main may be theirs; left where a write still holds their main. 0, or
// the errno of the first step that failed (said, and what it acted on stays
// where it is).
int settle_companions(const file_pair& pair, std::vector<companion_hand> hands, const settle_notes& notes);

// ---- a start ----------------------------------------------------------------

// The files of a folder the protocol writes, by name.
struct folder_files {
    std::set<std::string> names;
    // companion name -> main name
    std::vector<std::pair<std::string, std::string>> pairs;
    std::function<std::string(const std::string& path)> mark_of;
    // Names whose held files the caller merges (left held, and handed back).
    std::set<std::string> merged;
};
// Settles what writes left in the folder (section 5), in full where this
// process holds the folder's lock, else only what takes no running copy's
// work; the held files left for merging.
std::vector<held_file> settle_folder(const std::string& folder, const folder_files& files, bool locked,
                                     const settle_notes& notes);

// ---- for tests --------------------------------------------------------------

// Called before every step a writer or a start takes on the file system
// (its name in step: "open", "write", "sync", "look", "link", "exchange",
// "rename", "move", "unlink", "sync folder"), with the path it acts on (a
// move's or link's new name) and, for a move, a link or an exchange, the
// name it acts from; 0 lets the step run, kStepTakenAsDone takes a sync as
// done without making it, and any other value fails the step with that
// errno. A test may end the process there, or run another copy's write
// first. Once a commit has put the new file at its name it is called with
// "committed", which is no step. Null removes it.
using safe_file_step_hook = int (*)(const char* step, const std::string& path, const std::string& from);
constexpr int kStepTakenAsDone = -1;
void set_safe_file_step_hook(safe_file_step_hook hook);

} // namespace psys
