#pragma once
// What the engine asks of the file system besides writing: what stands at a
// path, folders made and listed, files removed, and regular files read. Paths
// are native bytes (UTF-8, or whatever a folder's names hold). Nothing here
// ever waits on a FIFO or a device standing where a file should be.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace psys {

enum class file_kind { regular, folder, other };

struct file_status {
    file_kind kind = file_kind::other;
    uint64_t size = 0;
    // Together they name one file while it exists.
    uint64_t device = 0;
    uint64_t inode = 0;
    // The last change of the contents, since 1970.
    int64_t modified_seconds = 0;
    uint32_t modified_nanoseconds = 0;
};

// False when nothing can be found at the path; links are followed.
bool status_of(const std::string& path, file_status* out);
// The same for the file a descriptor is open on.
bool status_of_open(int fd, file_status* out);
// Whether two looks saw one file with the same contents: the same file, of
// the same size, last written at the same moment.
bool same_file(const file_status& a, const file_status& b);
bool is_folder(const std::string& path);
// Makes one folder; false when it exists already or the folder above is missing.
// A private one can be listed, entered and written into by its maker alone,
// whatever the umask: made so, with no moment at which another may open it.
// Made by root in a folder of another user's, it is given to that user, of
// the group that user's own mkdir would give it (the folder above's where
// that has the set-group-id bit, else the user's primary group), so that a
// start under sudo leaves the player a folder of the player's own.
bool make_folder(const std::string& path, bool private_folder = false);
bool remove_file(const std::string& path);
// The names a folder holds, "." and ".." left out, in the system's order;
// false (and no names) when it cannot be listed.
bool list_folder(const std::string& path, std::vector<std::string>* names);
// Whether the path opens for reading (a folder does, a FIFO does at once).
bool can_open_for_reading(const std::string& path);
// Whether a symbolic link stands at the path itself, whether or not it leads
// anywhere.
bool is_link(const std::string& path);
// Whether anything stands at the path itself (a link that leads nowhere too).
bool anything_at(const std::string& path);
// Gives a file this process has just made in the folder the folder's reach,
// whatever the umask: read and written by its owner, and by the folder's
// group, the users and groups its access list names and the others only
// where the folder lets them write into it, so that no one who may not
// write into the folder reads or changes what the game keeps there. Only
// those who may replace the file write it: in a sticky folder, where only
// its owner may, the others who may write into the folder only read it.
// The file takes the folder's group; where this user may not give it that
// group, its group gets what the others get. A user or group the folder's
// access list names gets its part through the file's own access list, and
// one the list names without letting it write gets nothing, whatever the
// others get. Where the folder has an access list this process cannot read,
// or the file cannot take one, the file is its owner's alone (0600). Made by
// root in a folder of another user's, the file is given to that user, as a
// file that user wrote. Where narrow_only, a file of this user's that stood
// there from before takes the folder's group the same way but only loses
// what that reach would not give, and gains nothing. False when the mode
// could not be set.
bool give_folder_reach(int fd, const std::string& folder, bool narrow_only = false);
// The same for a file that holds no bytes but is opened by every copy that
// may write into the folder, a lock: read and written by whoever may write
// into the folder, a sticky one too (on NFS only a descriptor open for
// writing takes a lock), and narrowed as well as widened to that.
bool give_folder_writers_reach(int fd, const std::string& folder);

// ---- who may do what in a folder ----------------------------------------

// A process as the file system judges what it may do: its file-system user
// and groups, and whether it passes every mode (root).
struct credentials {
    static constexpr unsigned kNoUser = ~0u;
    unsigned uid = kNoUser;  // kNoUser: a member of the groups alone, or one of the others
    std::vector<unsigned> groups;
    bool overrides = false;
};
// A user's, from the user and group databases; never passing every mode, so
// that root is judged by what the folder names it.
credentials credentials_of_user(unsigned uid);

// What a file's or a folder's mode and, where it has one, its access list
// let each user do. Read once, asked many times.
struct access_entry {
    enum tag_t : unsigned char { owner, user, owning_group, group, other };
    tag_t tag;
    unsigned id;         // the user's or the group's: the file's own for owner and owning_group
    unsigned char perm;  // 4 read, 2 write, 1 search, with the list's mask applied
};
struct access_rules {
    // False where nothing could be read, or where it has a list this process
    // cannot read (an NFSv4 list): then only what its owner may do is sure.
    bool known = false;
    bool listed = false;  // an access list beyond its mode
    bool sticky = false;
    unsigned owner = 0, group = 0;
    std::vector<access_entry> entries;  // the owner's first, the others' last
};
bool access_rules_of(int fd, access_rules* out);
bool access_rules_of(const std::string& path, access_rules* out);
// Whether the rules let a process do all of want (4 read, 2 write, 1 search),
// as the kernel decides it: the owner by the owner's part, a named user by
// its entry, a member of any group named by the group entries that name it,
// everyone else by the others' part.
bool may(const access_rules& rules, const credentials& who, unsigned want);
// Whether a process may make files in a folder of these rules.
inline bool may_write_into(const access_rules& folder, const credentials& who) { return may(folder, who, 3); }
// Whether everyone the folder lets make files in it may also list it: open
// it, and so see a lock taken on it. False where the rules are not known.
bool every_writer_may_list(const access_rules& folder);
// How the reach of a lock file (fd) stands against the folder's writers:
// whether every user and group the folder lets write may open it for
// reading and writing, and whether anyone else may open it at all (its
// owner too, where that owner may no longer write into the folder).
struct reach_fit {
    bool reaches_writers = false;
    bool wider = true;
};
reach_fit writers_reach_fit(int fd, const access_rules& folder);
// Whose a file standing in a folder is, as the game's files go: the
// player's (this user's; for a copy run as root, also the folder owner's,
// for whom it writes), a sharer's (a user the folder lets write as its
// owner, as a member of its group or through its access list, its mask
// applied, in a folder without the sticky bit), or another user's (anyone
// else: one who may make files there only as one of the others, any other
// user in a folder with the sticky bit, root in a folder of the player's).
// Only the player's and the sharers' files are read, merged,
// kept or settled as the player's.
enum class file_owner { player, sharer, other };
file_owner owner_in_folder(const std::string& folder, unsigned uid);
// The user whose files a copy writes in the folder: this user, or, run as
// root, the folder's owner.
unsigned player_of_folder(const std::string& folder);
// Makes a write past the process's file-size limit fail with EFBIG, as a
// write to a full disk fails, instead of ending the process (SIGXFSZ). For
// the start of the process, before anything is written.
void fail_writes_past_size_limit();

// A stream whose bytes stay in memory, for writers that take a stream.
class memory_stream {
public:
    memory_stream();
    ~memory_stream();
    memory_stream(const memory_stream&) = delete;
    memory_stream& operator=(const memory_stream&) = delete;
    // Null when no memory could be had.
    FILE* stream() const { return file_; }
    // The bytes written so far.
    std::vector<unsigned char> bytes();

private:
    FILE* file_ = nullptr;
    char* data_ = nullptr;
    size_t size_ = 0;
};

// A regular file open for reading at any offset.
class input_file {
public:
    input_file() = default;
    ~input_file() { close(); }
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;

    // False, and closed, when there is no regular file at the path.
    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }
    // The file as it stood when it was opened.
    const file_status& status() const { return status_; }
    // Reads up to count bytes from offset; fewer only where the file ends or
    // a read fails.
    size_t read_at(void* out, size_t count, uint64_t offset) const;

private:
    int fd_ = -1;
    file_status status_;
};

} // namespace psys
