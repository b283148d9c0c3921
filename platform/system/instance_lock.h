#pragma once
// One running copy per game and per save folder: locks held for the life of
// the process, exclusive flocks that the operating system drops when the
// process ends, however it ends, so that a lock file left behind by a
// process that is gone never blocks a start.
#include <string>

namespace psys {

class instance_lock {
public:
    instance_lock() = default;
    ~instance_lock() { release(); }
    instance_lock(const instance_lock&) = delete;
    instance_lock& operator=(const instance_lock&) = delete;

    // The title's lock: a file named after the title in a folder only this
    // user can make files in ($XDG_RUNTIME_DIR, else the user's cache
    // folder; path_for). True once held. False when a process holds it
    // (busy()), or when it cannot be taken or trusted, for instance in a
    // folder that cannot be written, or where a file that is not this
    // user's own regular file stands at its name (failure() says why).
    bool acquire(const std::string& title_utf8);

    // The save folder's lock: the file kFolderLockName in the folder, which
    // every copy that counts there (counts_in_folder) opens and locks, and
    // the folder itself, a second look for a copy whose lock file was taken
    // from under it, where /proc shows who holds it. True where this copy
    // may count itself alone: it holds the lock file, which reaches every
    // user and group who counts and no one else (folder_reach_fit), so that
    // every copy that counts sees it and no one else can hold it, and no
    // look found a reason not to. A second name of the lock file (a backup
    // made with hard links) is harmless: every copy opens the name. A lock
    // file that does not reach them all or reaches further, one nobody
    // holds but takers that have ended, one of the player's held only by
    // processes that do not count, and anything else at its name (a link, a
    // FIFO) is replaced by a fresh one where this copy may, one copy at a
    // time (next_name in the source), so that no later copy can miss this
    // one through a name or a descriptor the folder no longer gives. A file
    // that is no lock of the player's, held by a running process, is never
    // taken: by its own view of who counts, it may be that process's copy's
    // lock (root's copy in root's folder with the sticky bit).
    // False with busy() where a copy that counts may hold the lock file or
    // its next name: a process that counts holds it, whoever's the file is,
    // or one no start can judge (in another pid namespace, behind a /proc
    // that hides it, of ids this user namespace cannot tell, on another
    // machine), or none /proc shows where it may leave a holder out, holds
    // the player's file or one whose owner cannot be told in a folder where
    // only those who count may make files; so also where a process seen to
    // count holds the folder. A refused copy changes nothing that stood.
    // Else false with failure() saying why this copy runs without the lock:
    // what stands at the name could not be replaced (a folder there,
    // another user's file in a folder with the sticky bit, a folder this
    // user may not write into), something there that is no lock of the
    // player's is held by a process not seen to count, another file stood
    // at the name at every look, or the file system has no locks; it may
    // still hold the lock file, which copies that open it see. In a folder
    // with the sticky bit the lock file goes when the lock is released:
    // others who may make files there and count this copy may not open it,
    // and could not tell that it holds nothing.
    bool acquire_folder(const std::string& path);
    static constexpr const char* kFolderLockName = "instance.lock";

    void release();
    bool busy() const { return busy_; }
    const std::string& failure() const { return failure_; }

    // The lock file of a title: the title with '/' and control characters
    // replaced and ".lock" appended, in $XDG_RUNTIME_DIR where that is a
    // folder of this user's own that no one else may write into, else in
    // "quillon" in the user's cache folder ($XDG_CACHE_HOME or ~/.cache,
    // made when missing, checked the same way; made by root in another
    // user's home, they are that user's). A title too long for a file name
    // is cut and a hash of the whole title added, so that two long titles
    // still get two files. "" when the user has no such folder; why, when
    // given, then says what was wrong.
    static std::string path_for(const std::string& title_utf8, std::string* why = nullptr);

private:
    bool refused();
    bool failed(std::string why);

    int fd_ = -1;
    int folder_fd_ = -1;
    // The lock file, where it goes when the lock is released.
    std::string file_;
    bool busy_ = false;
    std::string failure_;
};

// ---- for tests --------------------------------------------------------------

// Called at the points of a save folder's lock where another copy's start
// can meet this one: "opened" (the lock file open, not yet locked), "held"
// (a flock found taken, before /proc is read for its holders), "judged"
// (found no copy's lock, or standing where no lock can be taken, about to
// be replaced), "waiting" (held, while something stands at the next name:
// before each look), "next made" (the next name made, not yet locked),
// "leftover" (a next name found free, held, about to be removed),
// "removed" (that name removed, its flock still held), "next held" (the
// next name locked, before the name and what it replaces are looked at
// again), "renaming". path is the lock file's. Null removes it.
using instance_lock_step_hook = void (*)(const char* step, const std::string& path);
void set_instance_lock_step_hook(instance_lock_step_hook hook);

} // namespace psys
