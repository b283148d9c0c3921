#pragma once
// Files written whole, and what a start does with what writes left behind
// ========================================================================
//
// Every file the game keeps in its save folder (the settings, the permanent
// data, the save games, their thumbnails, the variable dumps) is written
// whole or not at all, and no file a copy of the game finished writing is
// lost, within what section 6 says: not when the copy is ended at any step
// of its write, not when other copies write the same file in the same
// moment, not at a power cut. Every rule of how that is done lives here; the
// game data only says what a file needs (written whole; what it replaces
// held, kept beside it, merged or dropped; a save and its thumbnail as one).
//
// 0. Invariants (the code and the tests cite them by number)
//
//   I1  Bytes before names. No name but its writer's temporary one leads to
//       bytes that were not synced first; a companion's temporary name is
//       synced too before its main commits.
//   I2  Nothing is replaced unheld. Every step that puts a file at a name
//       exchanges two names, links or moves where nothing stands (refusing
//       to replace), or first takes what stands under a held name, but
//       three: a copy with the lock replacing the file it last saw (R4), a
//       writer that holds nothing (a variable dump, a picture), and the
//       move after a look (6.3), which the link way takes only with the lock.
//   I3  A held file stays held until it is settled: dropped as its writer's
//       own older file (C8), merged into a file that stands (C10), kept
//       (C9), put back, or removed where its bytes stand at a file's or a
//       kept name of the player's (the same bytes, or it is a second name of
//       such a file). Removed besides, by design: an uncommitted held name
//       (a second name of its writer's temporary file), a damaged file past
//       the eighth, and a companion as I7 lets it go.
//   I4  A write that returns true stands after a power cut: it returns only
//       once the folder syncs after its commit and its keeps succeeded. A
//       sync that fails (EIO, ENOSPC, EDQUOT, ...) fails the write; errors
//       that say the file system or the folder's mode cannot sync a folder
//       at all (EINVAL, ENOTSUP, ENOSYS, and EACCES or EPERM opening a
//       folder the player may write but not read) are no failure.
//   I5  A write that fails loses nothing: it says so; what its commit took
//       goes back to the name where nothing stands there, and otherwise
//       stays held, named in error.log, for a start; a companion's whole
//       temporary file stays for a start to put beside its main (unless
//       what stands at its name is not this user's to take at all).
//   I6  Only the player's files. A file, link, FIFO or folder of another
//       user's (one who does not count in the folder: counts_in_folder) is
//       never read, held, kept, merged, settled, removed, narrowed or counted
//       as a place where bytes stand; a file of the player's that this user
//       may not read is not read or taken either. The game data's writes of
//       such a name fail, with a line saying whose it is and how to give it
//       back.
//   I7  A companion goes with the main it was written with. One that names
//       its main by a hash goes beside that main wherever it stands (its
//       name, a kept name of either kind), waits while a write holds it, and
//       is removed where it stands nowhere. One of an older form (an earlier
//       release's mark, which finds its main by size and time, or none) that
//       finds nothing goes with the main its write kept from the companion's
//       name, and is removed where its write dropped that main. Where no
//       write says (a start, or a write of one it did not see stand there),
//       it waits while a write holds a main of the pair, and otherwise goes
//       beside a main left alone: the one at its own name where nothing, or a
//       companion naming another main by a hash, stands beside it; else the
//       one kept under the highest number with none beside it. Only where no
//       main is alone is it removed. Beside a main that a companion standing
//       there names too, the one standing stays. A companion goes only once
//       its main's going is durable (a folder sync first). Where a read this
//       rests on fails (its mark, a main's that may be its, the folder's
//       names), where it goes cannot be told: it stays where it is, said.
//   I8  A start without the lock takes no running copy's work: it only puts
//       a held file back at its name where nothing stands there (in the
//       folder's way, never replacing; in the look way as its writes do), a
//       companion only where its mark names the main that stands at the
//       main's own name, never beside another; places a companion's
//       temporary file written whole there too, on the same terms (by a
//       link where the folder's way has links, so that its writer, were it
//       running, finds its temporary name as it left it; a writer whose
//       temporary file was moved takes its own file at the name as placed);
//       and hands the permanent data's held files to the load that merges
//       them (which drops them once the merged file stands). Other
//       temporary names, held names where something stands, held companions
//       that name no main standing at its name, uncommitted held names and
//       tokens wait for a start with the lock.
//   I9  Kept names are never replaced, and numbered by kept_name alone;
//       nothing is kept twice: a held file whose bytes stand at its name or
//       at a kept name of the same kind (the player's) is removed instead.
//       A file larger than any its writer writes is no copy of one it wrote
//       and is never read to be compared: it is kept, at no cost that grows
//       with its size.
//   I10 A start's steps are of the kinds above, each line before its step,
//       so a start ended at any step leaves what the next settles the same
//       way.
//
// 1. Names
//
// Beside a file's own name P, a writer w uses names of its own, w being
// "<pid>-<16 hex digits from the kernel's generator>": no one can foresee
// such a name or take it first, and the pid only helps a person who reads
// the folder (it says nothing of whether the writer runs: pids come again
// after a reboot and are the same small numbers in every pid namespace).
//   temporary    "<P>.<w>.tmp": the new bytes, before they stand at P (or,
//                for a moment, a second name of the file that stands at P).
//   held         "<P>.<w>.held": a whole file a write took from P (which may
//                be another copy's finished file), or, for the moment before
//                the exchange way's exchange, a second name of w's own
//                temporary file (uncommitted). A companion a write takes
//                from any name is held under its own file's held name.
//   kept         "<P>.changed", then "<P>.<N>.changed" (N 2 to 999): a whole
//                file set beside P because it is not the one the writer saw
//                (another copy's, or one another program put there);
//                "<P>.damaged", "<P>.<N>.damaged" (to 8): one that would not
//                load. A save is kept under a number its thumbnail's kept
//                name of the same kind is free at, and its thumbnail goes
//                there (I7).
//   second name  another name of one file (a hard link).
//   companion    a file written with a main one and kept with it: a slot's
//                thumbnail beside its save. It names its main by the main's
//                mark, a hash of its bytes ("h:<hash>:<size>"), which stays
//                true wherever the folder is copied or synced to; thumbnails
//                of an earlier release name their save by its device, inode,
//                size and time, and older ones by nothing (I7).
//   token        "<P>.writing" and "<P>.writing.<w>.stale": an earlier
//                release's turns, which never held bytes of a file.
//
// 2. The way of writing, chosen once per folder
//
// The first write or settling in a folder tries, with files of its own
// ("way-probe.<w>.tmp", which a start removes if the try was ended), what
// the file system can do, and every writer and start of the process uses
// that way there (folder_way; a try that fails for another reason teaches
// nothing, and the next write tries again):
//   exchange  two names exchanged in one step (renameat2 RENAME_EXCHANGE)
//             and hard links: Linux's ext4, xfs, btrfs, tmpfs, f2fs
//   link      hard links, but no exchange (NFS, SMB with hard links, sshfs
//             and most FUSE file systems)
//   move      no hard links, but moves that refuse to replace (renameat2
//             RENAME_NOREPLACE: exFAT, FAT)
//   look      none of these: a move made where a look found nothing (6.3)
// A move without replacing (a keep, a put back, a companion's place) is the
// folder's way too: a refusing move in the exchange and move ways; a link in
// the link way, or, where the link is refused (a folder, or another user's
// file under the kernel's protected_hardlinks), a refusing move, or, where
// that is not supported either, only with the lock, a move after a look
// (without it the step fails and the file stays where it is held, said);
// a move after a look in the look way.
//
// 3. A write (safe_file)
//
//   1 open     T = "<P>.<w>.tmp" is made anew (O_EXCL, never through a link);
//              for the game data, only after one look at P found nothing, or
//              the player's (I6), and said what
//   2 write    the bytes go to T
//   3 sync     T's bytes reach the disk (a companion's name too: I1)
// Then the commit, which looks at P just before it acts: whether anything
// stands there, and, with the lock, whether that is the file the writer
// last saw. Where this process holds the save folder's lock and P is the
// file the writer last saw (nothing stood
// and nothing stands, or its own older file: the status it last saw, or,
// where a file system keeps times coarsely or sets them late as FAT's do,
// the very bytes it wrote, by their mark), no copy that sees the lock
// can be writing and what P holds is the writer's own, so it goes in the
// same step:
//   R4 rename  T -> P (where nothing stood: T placed at P without replacing,
//              and taken as below if something came since the look)
//   R5 sync folder
// Otherwise (no lock; or another copy or program changed P; or P would not
// load) what stands at P is taken first, whoever wrote it, in the folder's
// way (one step, take_then_place, for a commit and a companion's place):
//   exchange  X4 link T -> H (H = "<P>.<w>.held"), so that the exchange
//                leaves what it replaces under a name no start removes
//             X5 exchange H <-> P (nothing at P: H moved to P without
//                replacing; something came meanwhile: X5 again)
//             X6 unlink T;  X7 sync folder
//   link      L4 rename P -> H;  L5 link T -> P (something came meanwhile:
//                L4 again, with a new held name);  L6 unlink T;  L7 sync folder
//   move      M4 rename P -> H;  M5 move T -> P refusing to replace (M4
//                again if something came);  M6 sync folder
//   look      K4 rename P -> H;  K5 look, and where nothing stands rename
//                T -> P (K4 again if something stands);  K6 sync folder
// A commit that fails after its take puts what it took back at P where
// nothing stands, or leaves it held (I5). The write returns only after its
// folder sync (I4). Then, for each file it holds:
//   C8  drops it (its own older file, as last seen, or its very bytes by
//       their mark): unlink H, only after
//       the commit's folder sync, so a drop never outlives the write it
//       follows
//   C9  keeps it: H moved to the first free kept name without replacing, the
//       line that names it written just before (a second where it fails),
//       then a folder sync. Where it cannot be kept (no free name up to 999,
//       a step that fails) the new file stands, H stays held, said, and the
//       write fails.
//   C10 merges it (the permanent data): writes P again with what it held,
//       and drops it only once that write stands
// A save and its thumbnail (a pair):
//   T1-T3  the thumbnail's bytes, naming the save's mark, are written to
//          its temporary file and synced with their name, before the save
//          commits (S4-)
//   S4-    the save commits (R4, or the folder's way) and drops or keeps
//          what it held (C8, C9: only at a number whose thumbnail kept name
//          is free too)
//   T4-T7  the thumbnail commits: in one step where the save did and the
//          thumbnail stands as it stood when the save began (R4); else
//          taking what stands, in the folder's way. It commits also where the
//          save's write failed after the save took its name.
//   T8     what it took goes with its save (I7), the thumbnail this write
//          saw with the save it dropped or kept going with that; so do those
//          other writes left in hand for the save this one replaced
// A thumbnail that cannot be written fails the save: before the save's
// commit the slot is as it was; after, its temporary file stays for a start.
//
// 4. A copy ended after each step, a power cut before the next
//
// An ended copy leaves its names as its last step left them. A power cut
// leaves the names as of the last folder sync, with any of the later changes
// kept or lost, but for one that a kept change rests on (a change of the same
// name or of the same file's names), and each file's bytes as last synced.
//   after          an ended copy leaves              a power cut may also leave  the next start
//   1-3            T, whole or not; P as before      T empty or cut short        T removed
//   R4             the new file at P                 the old file at P           nothing to do
//   X4             H and T one file (uncommitted);   no H, or no H nor T         H, then T removed
//                  P as before
//   X5-X7          the new file at P (and at T       the exchange undone (X4's   T removed; H settled
//                  until X6), the replaced one at H  state)
//   L4, M4, K4     nothing at P; the old file at H,  the take undone             T removed; H put back
//                  the new one at T                                              at P
//   L5-L7, M5-M6,  the new file at P (and at T       the place undone (L4's      T removed; H settled
//   K5-K6          until L6), the replaced one at H  state), or the take too
//   C8             H gone                            H back (not yet synced)     H kept as changed
//   C9             H at its kept name, said          H back under its held name  nothing, or H kept again
//   C10            P written again (steps 1-K6)      as those steps; H back      H handed to the load,
//                  with what H held; H until that    where its drop is lost      merged again, dropped
//                  stands
//   T1-T3          the thumbnail at its T, whole     its T gone (not yet         T removed, unless its
//                  from T3                           synced): the save had not   save stands: then put
//                                                    committed                   beside it (T8)
//   T4-T8          as the save's steps, for the      as the save's steps         as the save's; a held
//                  thumbnail                                                     thumbnail goes by I7
//   a failed       P as before, or the old file      (as an end after the        H put back or kept
//   commit         back at P, or held and said       same step)
//   no lock        the same as above                 the same as above           without the lock, only
//   at all                                                                       what I8 says; the rest
//                                                                                at a start with it
//
// 5. A start (settle_folder), in passes whose order matters
//   listing      every name of the folder's game files: temporary, held,
//                token, and the player's files that stay (at a file's or a
//                kept name), by identity; those of users who do not count
//                are left (I6)
//   tokens       an earlier release's tokens of this user's own: removed
//   held         before the temporary names go, which tell an uncommitted
//                held name (removed) from a committed one; held names that
//                are second names of files that stay: removed
//   temporaries  a companion written whole whose main stands is finished:
//                taken into a hand of the start's own (where that move
//                fails, it stays at its name, said, for the next start; so
//                does one where a read the start decides from fails: its
//                mark, its main's, the folder's names); every other
//                temporary name (and the probe's) removed
//   mains        held files back at their name where nothing stands there;
//                the permanent data's handed over for merging (removed
//                where the same bytes stand at its name); the rest kept as
//                changed (a save only under a number its thumbnail's kept
//                name is free at too), or left held with a line where no
//                kept name is free
//   companions   after their mains: held companions, then finished ones,
//                and the companion standing at the name of a main this start
//                put back or kept where it names another by its hash, go by
//                I7 (settle_companions)
//   narrowing    the player's own files that stay (one name only), open to
//                more than the folder's writers, narrowed to them
//   sync         the folder, at the end (and after each keep, before a
//                companion goes)
// Without the lock only listing, mains (put back, handed over), companions
// as far as I8 lets them (beside the main standing at its own name),
// narrowing and the sync run. Every step is said before it: what it puts
// back, keeps, or fails at in error.log (a folder sync that fails too); what
// it removes in debug.log, each kind in its own
// words (a second name, a temporary name of a write that did not finish, a
// token, bytes that stand elsewhere, a companion of no main, one whose main
// has its own beside it).
//
// 6. What this assumes, and what it does not handle
//   6.1 rename, renameat2, link and unlink each act on a name in one step
//       (on NFS, on the server); fsync of a file makes its bytes durable,
//       and fsync of its folder the names in it (a sync that fails is
//       reported, I4). A step that changes names and reports an error all
//       the same, whatever the error (a FUSE file system's own after the
//       act; on NFS a lost reply, whose call sent again finds its source
//       gone, ENOENT, or a link's new name a second name of its source
//       already, EEXIST), is looked at again: where its change stands whole
//       it counts as taken (an unlink, where its name no longer leads to the
//       file it stood for), the protocol goes on from there, and a write is
//       told as one whose names may not outlive a power cut (what it holds
//       stays held, I5). What stood just before the call tells its change
//       from another writer's: where its source stood nowhere, or its change
//       stood already (a start without the lock linked a companion's
//       temporary file to its name), the error is met as it is; and a write
//       whose own file stands at its name, however it came there, takes it
//       as placed, holding nothing of it.
//   6.2 A lock works for every copy of a folder or for none: a copy with the
//       lock takes every leftover as a writer's last act, whatever its pid.
//       Where one copy holds the lock and another does not see it (a lock
//       kept on one machine of a network folder), the copy with the lock
//       replaces in one step after a look (R4): a write of the other copy
//       committed between the two is lost, and both report success.
//   6.3 The look way's move after a look, and the link way's with the lock
//       where links and refusing moves are refused: a file another copy puts
//       at the name between the look and the move is replaced. Where no
//       lock can be had at all, copies write so in the look way, with that
//       risk, which the game's start says once.
//   6.4 What can go wrong that this does not handle:
//       - no lock at all: copies write in every way, and lose nothing but
//         in the look way's moment (6.3); their leftovers wait for a start
//         with the lock (I8); a slot's save whose write was ended between
//         its commit and its thumbnail's stands, until then, beside the
//         thumbnail that stood when the write began (or none), in every way
//         (the old thumbnail stands at its name until the new one takes it,
//         and a start without the lock replaces nothing);
//       - a lock one copy cannot see: the other copy's write committed
//         between the look and the one-step replace of the copy with the
//         lock is lost, and both report success (6.2);
//       - protected_hardlinks on a server that has no refusing move: without
//         the lock a held file of another user's is not put back or kept
//         (the step fails, said, the write fails), and waits for a start
//         with the lock;
//       - a server that takes a refusing move (or a link) and replaces all
//         the same: what stood is lost;
//       - another writer's change between the look just before a step and
//         the step, which makes the step fail as that change stands (a
//         start without the lock moving a companion's temporary file to its
//         name): taken as the step's, and the write told as one that may
//         not outlive a power cut;
//       - a file changed in place by another program while held; kept
//         names past 999 (the held file stays where it is, said, and the
//         write fails); two thumbnails of an older form that both find no
//         save at one slot at a start (the one standing stays, the other
//         goes); leftovers of a user who does not count in the folder
//         (left for that user's own start).
#include "platform/system/file_system.h"

#include <cstddef>
#include <cstdio>
#include <cerrno>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace psys {

// ---- the folder's way -----------------------------------------------------

enum class write_way { exchange, link, move, look };

// The way of the folder (the one a path lies in, for a file's path), tried
// the first time this process writes or settles there. said, when given, is
// that way in a few Japanese words, for a line of the game's own.
write_way folder_way(const std::string& folder, std::string* said = nullptr);
// This process now holds (or no longer holds) the folder's lock (6.2).
void set_folder_locked(const std::string& folder, bool locked);
bool folder_locked(const std::string& folder);
// Every folder's way and lock forgotten (the process's reset; tests).
void forget_folders();
// The folder as every writer and start of this process names it: "" and
// "." are the same folder, and so are "a/./b//" and "a/b".
std::string folder_key(const std::string& folder);

// ---- whose a file is ---------------------------------------------------------

// What stands at a game file's name that is not the player's to read, hold
// or replace (I6): anything (a file, a link, a FIFO, a folder) of a user who
// does not count in the folder (counts_in_folder), or a file of someone who
// counts that this user may not read.
struct stranger {
    enum class kind { none, others, unreadable };
    kind what = kind::none;
    unsigned uid = 0;
    std::string user;  // the name of uid, or its number
    bool own = false;  // this user's own file
};
stranger stranger_at(const std::string& path);
// What stands at a game file's name, as one look finds it: whether anything
// stands (links followed, as status_of), its status, whether it opens for
// reading, and what of it is not the player's.
struct standing_file {
    bool present = false;
    file_status status;
    bool readable = false;
    stranger refused;
};
standing_file look_at(const std::string& path);
// The name of the folder's owner, whose files they all are to be.
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
        keep_failed,  // ... and could not be (why): it stays where it is held
        name_taken,   // ... and could not be, for something took target first: the next name is tried
        no_name,      // no kept name was free: path stays where it is held
        put_back,     // path is about to go back to its name, target
        finished,     // a write's finished companion is about to take its name, target
        same_bytes,   // path holds bytes that stand at target: removed
        second_name,  // path is another name of the file at target: removed
        beyond_limit, // a damaged file past the limit of those kept: removed
        temporary,    // a temporary name of a write that did not finish: removed
        token,        // a token of an earlier release's turns: removed
        orphan,       // a companion whose main stands nowhere: removed
        twin,         // a companion whose main has its own beside it at target already: removed
        gone,         // path, held, was gone when it was to be kept: settled by another, its bytes stand elsewhere
        narrowed,     // a file open to more than its folder's writers: narrowed
        unjudged,     // path's owner is an id this user namespace does not map: taken as the player's, not narrowed
        failed,       // a step failed (why): path stays
        unsynced,     // the folder path could not be synced (why): what was done there may not outlive a power cut
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
// same kind (the player's) is removed instead: nothing is kept twice (I9);
// but only files of up to compared bytes are read to tell (the largest its
// writer writes): a larger one is kept unread.
struct keep_rule {
    const char* why = "changed";
    unsigned limit = 999;
    std::string beside;
    unsigned long long compared = ~0ull;
};
struct keep_result {
    // gone: the held name was gone when it was to be kept, settled by
    // another (a start without the lock put it back, and a write took it
    // again under a name of its own): no failure.
    enum class outcome { kept, same_bytes, beyond_limit, no_name, failed, gone };
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
    // With players_only, it first looks at what stands at the name (found()
    // says what): what is not the player's (I6) is refused, and nothing is
    // made (found().refused says whose it is).
    bool open(const std::string& path, bool players_only = false);
    const standing_file& found() const { return found_; }
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
    // folder sync failed did); whether it went the holding way, taking what
    // stood under a held name rather than replacing it in one step (set
    // before any take: true also where nothing stood to be taken); and what
    // it holds.
    bool placed() const { return placed_; }
    bool held_any() const { return holding_; }
    std::vector<held_file> take_held();

private:
    friend struct safe_file_stream;
    void fail(const char* step, int err);
    bool place(bool hold, bool present);
    bool placed_by_another() const;
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
    standing_file found_;
    std::vector<held_file> held_;
    std::string error_, failed_step_;
    int errno_ = 0;
};

// Writes the bytes through a safe_file.
bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// ---- pairs ------------------------------------------------------------------

// A mark as read from a file: "" for none (a file that bears none, or is
// not whole), or, where the read failed, why (an errno): what such a file
// names cannot be told, and nothing is decided from it.
struct mark_read {
    // A reader that returns text has read it.
    mark_read(std::string text = {}) : mark(std::move(text)) {}
    static mark_read failed(int why) {
        mark_read read;
        read.error = why;
        return read;
    }
    // After an open or a read that gave nothing, errno: none where no
    // regular file stands there (nothing, a link, a folder's part, a FIFO,
    // or no error at all), else failed.
    static mark_read after(int err) {
        const bool nothing = err == 0 || err == EINTR || err == ENOENT || err == ENOTDIR || err == ELOOP || err == ENXIO;
        return nothing ? mark_read() : failed(err);
    }
    std::string mark;
    int error = 0;
};
using mark_of_companion = std::function<mark_read(const std::string& path)>;
// A main file and the companion written with it (full paths); mark_of reads
// the main's mark a companion bears.
struct file_pair {
    std::string main;
    std::string companion;
    mark_of_companion mark_of;
};
// A file's mark as its write made it (safe_file::mark), and that file's
// status (safe_file::written): the file is not read again to learn it.
struct known_mark {
    file_status file;
    std::string mark;
};
// Whether the file at path is the one the mark names.
bool bears_mark(const std::string& path, const std::string& mark);
// The mark of these bytes, as a write of them makes it; of the player's
// regular file at path as it is read now ("" where it cannot be).
std::string mark_of_bytes(const void* data, size_t size);
std::string mark_of_file(const std::string& path);
// A companion in hand (a held file), and what its write did with the main
// that stood with it at the companion's name, where the write knows: kept
// it under a number, or dropped it (its own older file).
struct companion_hand {
    held_file file;
    enum class main_was { not_known, kept, dropped };
    main_was main = main_was::not_known;
    unsigned kept_with = 0;
    const char* kept_as = "changed";
    // A write's own companion, written whole, that it did not get to put at
    // its name (a start finishes it).
    bool finished = false;
};
// Puts each companion in hand beside the main it goes with (I7), and with
// them those that other writes left in hand whose main they find: placed
// there holding what stood there, which goes on the same way; removed where
// no main may be theirs; left where a write still holds their main. 0, or
// the errno of the first step that failed (said, and what it acted on stays
// where it is).
// main, where given, is the main's mark as the write that made it knows it.
int settle_companions(const file_pair& pair, std::vector<companion_hand> hands, const settle_notes& notes,
                      const known_mark& main = {});

// ---- a start ----------------------------------------------------------------

// The files of a folder the protocol writes, by name.
struct folder_files {
    std::set<std::string> names;
    // companion name -> main name
    std::vector<std::pair<std::string, std::string>> pairs;
    mark_of_companion mark_of;
    // Names whose held files the caller merges (left held, and handed back).
    std::set<std::string> merged;
    // The largest file the caller writes: a held one larger is kept unread
    // (keep_rule::compared).
    unsigned long long compared = ~0ull;
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
// name it acts from; 0 lets the step run, a positive value fails the step
// with that errno, and a negative one lets it run and, where it did, fails
// it all the same with the value's negation (a reply lost after the step).
// A test may end the process there, or run another copy's write first.
// Once a commit has put the new file at its name it is called with
// "committed", which is no step. It is called with "read" too, with the
// folder, before a settling or a keep reads the folder's names: a listing
// that fails, as any value but 0 makes it, decides nothing. Null removes it.
using safe_file_step_hook = int (*)(const char* step, const std::string& path, const std::string& from);
void set_safe_file_step_hook(safe_file_step_hook hook);

} // namespace psys
