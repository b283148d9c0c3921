#pragma once
// One running instance per game: a lock held for the life of the process, an
// exclusive flock on a file named after the application title in
// $XDG_RUNTIME_DIR (or /tmp). The operating system drops it when the process
// ends, however it ends.
#include <string>

namespace psys {

class instance_lock {
public:
    instance_lock() = default;
    ~instance_lock() { release(); }
    instance_lock(const instance_lock&) = delete;
    instance_lock& operator=(const instance_lock&) = delete;

    // False when another holder has it (or the file cannot be made).
    bool acquire(const std::string& title_utf8);
    void release();
    bool held() const { return fd_ >= 0; }

    // The lock file of a title: the title with '/' and control characters
    // replaced, ".lock" appended.
    static std::string path_for(const std::string& title_utf8);

private:
    int fd_ = -1;
};

} // namespace psys
