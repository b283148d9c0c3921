#include "platform/system/file_system.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace psys {
namespace {

file_status status_from(const struct stat& st) {
    file_status s;
    s.kind = S_ISREG(st.st_mode) ? file_kind::regular : S_ISDIR(st.st_mode) ? file_kind::folder : file_kind::other;
    s.size = st.st_size < 0 ? 0 : uint64_t(st.st_size);
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
    s.modified_seconds = int64_t(st.st_mtim.tv_sec);
    s.modified_nanoseconds = uint32_t(st.st_mtim.tv_nsec);
    return s;
}

// O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
int open_for_reading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

} // namespace

bool status_of(const std::string& path, file_status* out) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    *out = status_from(st);
    return true;
}

memory_stream::memory_stream() : file_(::open_memstream(&data_, &size_)) {}

memory_stream::~memory_stream() {
    if (file_) std::fclose(file_);
    std::free(data_);
}

std::vector<unsigned char> memory_stream::bytes() {
    if (!file_ || std::fflush(file_) != 0) return {};
    return std::vector<unsigned char>(data_, data_ + size_);
}

bool status_of_open(int fd, file_status* out) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    *out = status_from(st);
    return true;
}

bool same_file(const file_status& a, const file_status& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.modified_seconds == b.modified_seconds && a.modified_nanoseconds == b.modified_nanoseconds;
}

bool is_folder(const std::string& path) {
    file_status st;
    return status_of(path, &st) && st.kind == file_kind::folder;
}

bool make_folder(const std::string& path, bool private_folder) {
    return ::mkdir(path.c_str(), private_folder ? 0700 : 0755) == 0;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool list_folder(const std::string& path, std::vector<std::string>* names) {
    names->clear();
    DIR* d = ::opendir(path.c_str());
    if (!d) return false;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names->push_back(n);
    }
    ::closedir(d);
    return true;
}

void fail_writes_past_size_limit() { ::signal(SIGXFSZ, SIG_IGN); }

bool can_open_for_reading(const std::string& path) {
    const int fd = open_for_reading(path);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool is_link(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

namespace {

// sticky_narrows: in a sticky folder only the file's owner may write it.
bool give_reach(int fd, const std::string& folder, bool narrow_only, bool sticky_narrows) {
    struct stat dir, file;
    if (::stat(folder.empty() ? "." : folder.c_str(), &dir) != 0 || ::fstat(fd, &file) != 0) return false;
    const bool folders_group = file.st_gid == dir.st_gid || ::fchown(fd, uid_t(-1), dir.st_gid) == 0;
    // Members of a group the folder does not name are let in as the others.
    const bool group = folders_group ? dir.st_mode & S_IWGRP : dir.st_mode & S_IWOTH;
    const bool others = dir.st_mode & S_IWOTH;
    // Where the sticky bit keeps others from replacing the file, they may
    // not write its bytes in place either.
    const mode_t reach = sticky_narrows && (dir.st_mode & S_ISVTX) ? 04 : 06;
    mode_t mode = 0600 | (group ? reach << 3 : 0) | (others ? reach : 0);
    if (narrow_only) mode &= file.st_mode;
    // Changed only where it must be: a log is narrowed at each line it takes.
    return (file.st_mode & 07777) == mode || ::fchmod(fd, mode) == 0;
}

} // namespace

bool give_folder_reach(int fd, const std::string& folder, bool narrow_only) {
    return give_reach(fd, folder, narrow_only, true);
}

bool give_folder_writers_reach(int fd, const std::string& folder) { return give_reach(fd, folder, false, false); }

namespace {

// Whether the user uid is a member of the group gid, as its primary group or
// as one of the groups the system lists it in.
bool member_of(uid_t uid, gid_t gid) {
    struct passwd pw {}, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) != 0 || !found) return false;
    if (pw.pw_gid == gid) return true;
    int n = 64;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) {
        groups.resize(size_t(n));
        if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) return false;
    }
    for (int i = 0; i < n; ++i)
        if (groups[size_t(i)] == gid) return true;
    return false;
}

} // namespace

unsigned player_of_folder(const std::string& folder) {
    struct stat dir {};
    if (::geteuid() == 0 && ::stat(folder.empty() ? "." : folder.c_str(), &dir) == 0) return dir.st_uid;
    return ::geteuid();
}

file_owner owner_in_folder(const std::string& folder, unsigned uid) {
    if (uid == ::geteuid()) return file_owner::player;
    struct stat dir {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &dir) != 0) return file_owner::other;
    if (::geteuid() == 0 && uid == dir.st_uid) return file_owner::player;
    // The sticky bit keeps each user's files that user's own: no one there
    // shares files, and no file another made could be taken aside.
    if (dir.st_mode & S_ISVTX) return file_owner::other;
    if (uid == dir.st_uid) return (dir.st_mode & S_IWUSR) ? file_owner::sharer : file_owner::other;
    if ((dir.st_mode & S_IWGRP) && member_of(uid, dir.st_gid)) return file_owner::sharer;
    return file_owner::other;
}

bool anything_at(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool input_file::open(const std::string& path) {
    close();
    const int fd = open_for_reading(path);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    status_ = status_from(st);
    return true;
}

void input_file::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    status_ = file_status();
}

size_t input_file::read_at(void* out, size_t count, uint64_t offset) const {
    if (fd_ < 0) return 0;
    uint8_t* bytes = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < count) {
        // No file offset reaches past the largest off_t.
        if (offset + done > uint64_t(INT64_MAX)) break;
        const ssize_t n = ::pread(fd_, bytes + done, count - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    return done;
}

} // namespace psys
