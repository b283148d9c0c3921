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
    // The same for the folder at path: the folder itself and the file
    // kFolderLockName in it, which every copy takes too, so that a copy
    // that cannot lock the folder (one that may not list it, or on NFS or
    // SMB, where only a file open for writing takes an exclusive lock)
    // still sees the others. The folder's own lock counts only where
    // everyone who may list the folder may also write into it (anyone who
    // may open a folder may lock it): busy when the file is held by another,
    // or the folder where it counts; held when the file could be taken, or
    // the folder where it counts. The title's lock cannot see a copy started
    // with another runtime folder, by another user or under sudo; a save
    // folder's lock sees every copy that would use its files and may open
    // its lock file (for writing, where only such a descriptor locks), and
    // on a local disk one that may list the folder where its lock counts.
    // The lock file is made by the first copy with the folder's group and
    // reach: read and written by its owner and by whoever else may write
    // into the folder, by no one else. A lock file of this user's own takes
    // them again once this copy holds it; as root, it is given to the
    // folder's owner. A file standing there that is not a regular file with
    // one name (a link, a FIFO, a hard link to another file) is never locked
    // or changed. When the folder's lock is held but its file's is not,
    // acquire_folder is true and failure() says why the file failed.
    bool acquire_folder(const std::string& path);
    static constexpr const char* kFolderLockName = "instance.lock";
    void release();
    bool held() const { return fd_ >= 0 || file_fd_ >= 0; }
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

    int fd_ = -1;
    int file_fd_ = -1;
    bool busy_ = false;
    std::string failure_;
};

} // namespace psys
