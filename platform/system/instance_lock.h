#pragma once
// One running instance per game: a lock held for the life of the process, an
// exclusive flock on a file named after the application title in a folder
// only this user can make files in ($XDG_RUNTIME_DIR, else the user's cache
// folder), or on a folder itself and a file in it. The operating system drops
// it when the process ends, however it ends, so a lock file left behind by a
// process that is gone never blocks a start.
#include <string>

namespace psys {

class instance_lock {
public:
    instance_lock() = default;
    ~instance_lock() { release(); }
    instance_lock(const instance_lock&) = delete;
    instance_lock& operator=(const instance_lock&) = delete;

    // True once this process holds the lock. False when a running holder has
    // it (busy() is then true) or when the lock cannot be taken or trusted,
    // for instance in a folder that cannot be written, or where a file that
    // is not this user's own regular file stands at its name (failure() says
    // why).
    bool acquire(const std::string& title_utf8);
    // The same for the folder at path: the file kFolderLockName in it, and
    // the folder itself, which copies that cannot use the file (one planted
    // at its name, one the file does not reach) see. A lock is taken as a
    // running copy only where its holder may write into the folder (or owns
    // it), or cannot be seen (another machine, another pid namespace, /proc
    // hidden): one held by a user who may only read the folder, or through a
    // descriptor opened before the player narrowed the folder or the file,
    // or one whose taker has ended (a shell's `flock` on a descriptor it
    // keeps; each copy takes and keeps its own), refuses no start. A copy of such a user takes no lock and is refused
    // by none. Busy where a copy that may write holds the file, or holds the
    // folder and this copy holds no file that every copy that may write
    // into the folder can open (that copy would hold it). A refused copy
    // changes nothing that stood. The lock file is made by the first copy
    // with the folder's group and the writers' reach
    // (give_folder_writers_reach): read and written by its owner and by
    // whoever else may write into the folder, by its mode or its access
    // list, and by no one else; as root, it is the folder owner's. A lock
    // file of the player's takes that reach again once this copy holds it.
    // One held only by users who may not write into the folder, or one that
    // reached further than the writers (an earlier release's 0666, a
    // group's after the folder was narrowed), is replaced by a fresh one
    // once this copy may, one copy at a time (see next_name in the source),
    // so that no descriptor opened before can hold the lock once this copy
    // has gone. A file standing there that is not a regular file with one
    // name (a link, a FIFO, a hard link to another file) is never locked or
    // changed.
    // True where this copy holds a lock that every copy that may write into
    // the folder sees (exclusive() is then true): the file, where it reaches
    // them all, or the folder, where they all may list it; failure() then
    // says why the file was not used, if it was not. False, with busy(),
    // when refused; else with failure() saying why, for the folder and then
    // for the file ("<folder>: <why>; <folder>/instance.lock: <why>"), where
    // this copy may still hold the part it could take (held()).
    bool acquire_folder(const std::string& path);
    static constexpr const char* kFolderLockName = "instance.lock";
    void release();
    bool held() const { return fd_ >= 0 || file_fd_ >= 0; }
    // Whether the lock acquire_folder holds is one every copy that may write
    // into the folder sees, so that no such copy runs beside this one: what
    // a copy may trust to replace its files in one step and settle what
    // other writes left.
    bool exclusive() const { return exclusive_; }
    bool busy() const { return busy_; }
    const std::string& failure() const { return failure_; }

    // The lock file of a title: the title with '/' and control characters
    // replaced and ".lock" appended, in $XDG_RUNTIME_DIR where that is a
    // folder of this user's own that no one else may write into, else in
    // "quillon" in the user's cache folder ($XDG_CACHE_HOME or ~/.cache,
    // made when missing, checked the same way). A title too long for a file
    // name is cut and a hash of the whole title added, so that two long
    // titles still get two files. "" when the user has no such folder; why,
    // when given, then says what was wrong.
    static std::string path_for(const std::string& title_utf8, std::string* why = nullptr);

private:
    // Takes the lock on fd (opened on path, -1 when the open failed, with
    // errno set, or -2 when the file was refused for reason) without
    // waiting: fd once held, else -1 with fd closed and busy() or failure()
    // saying why.
    int lock_opened(int fd, const std::string& path, const char* reason = nullptr);
    // The folder's lock file opened for locking, made with the folder's
    // group and reach when missing; -1 with errno set, or -2 with *reason
    // set.
    static int open_lock_file(const std::string& path, const std::string& folder, const char** reason);
    // Refused: a running copy holds the lock. Nothing held, busy().
    bool refused();

    int fd_ = -1;
    int file_fd_ = -1;
    bool busy_ = false;
    bool exclusive_ = false;
    std::string failure_;
};

} // namespace psys
