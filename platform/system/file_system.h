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
// false (and no names, errno saying why) when it cannot be listed whole.
bool list_folder(const std::string& path, std::vector<std::string>* names);
// Whether the path opens for reading (a folder does, a FIFO does at once).
bool can_open_for_reading(const std::string& path);
// Whether a symbolic link stands at the path itself, whether or not it leads
// anywhere.
bool is_link(const std::string& path);
// Whether anything stands at the path itself (a link that leads nowhere too).
bool anything_at(const std::string& path);
// Gives a file this process has just made in the folder the folder's reach,
// whatever the umask: read and written by its owner, the folder's owner and
// every user and group that counts in the folder (counts_in_folder), and by
// no one else, so that no one who does not count reads or changes what the
// game keeps there, and the folder's owner is never locked out of a file a
// sharer's copy wrote. The file takes the folder's group; where this user
// may not give it that group, its group gets what the others get. A user or
// group the folder's access list names gets its part through the file's own
// access list (nothing, where it does not count). Where the folder has an
// access list this process cannot read, or the file cannot take a list that
// it needs, the file is its owner's alone (0600). A file of root's given the
// folder's reach (a start under sudo) is given to the folder's owner, as a
// file that user wrote. Where narrow_only, a file that stood there from
// before takes the folder's group the same way but only loses what that
// reach would not give, and gains nothing. False when the mode could not be
// set.
bool give_folder_reach(int fd, const std::string& folder, bool narrow_only = false);
// How the reach of a file (fd) stands against the folder's: whether every
// user and group who counts in the folder may open it for reading and
// writing, and whether anyone who does not count may open it at all (as on
// a file system that cannot narrow a mode, or once the folder was narrowed
// after the file was made).
struct reach_fit {
    bool reaches = false;
    bool wider = true;
};
reach_fit folder_reach_fit(int fd, const std::string& folder);

// ---- who counts in a folder ---------------------------------------------------

// A process or a user as the file system judges what it may do.
struct credentials {
    static constexpr unsigned kNoUser = ~0u;
    unsigned uid = kNoUser;  // kNoUser: a member of the groups alone, or one of the others
    std::vector<unsigned> groups;
};
// A user's, from the user and group databases.
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
// Whether the rules let a user do all of want (4 read, 2 write, 1 search),
// as the kernel decides it for anyone but root: the owner by the owner's
// part, a named user by its entry, a member of any group named by the group
// entries that name it, everyone else by the others' part.
bool may(const access_rules& rules, const credentials& who, unsigned want);

// Who counts in a save folder as its player: whose files are read, merged,
// kept and settled as the player's, and whose lock says that a copy of the
// player's runs. The one rule the files and the lock share: the player,
// that is this process's own user and the folder's owner; root, which
// writes for that owner (a start under sudo); and, in a folder without the
// sticky bit, every user it lets make files in it, by its mode or its access
// list (the list's mask applied), one of the others too, as each of them may
// replace any file there anyway. In a folder with the sticky bit only a
// file's owner may replace it, and no one else counts. Where the folder's
// access list cannot be read, no one else is sure to.
bool counts_in_folder(const access_rules& folder, const credentials& who);
// What the rule says where this process may not be able to tell: a process
// or a user with an id this process's user namespace cannot tell (one it
// does not map, or, where it does not map every id, the overflow id, 65534,
// that every id outside its map reads as, whoever it is) and that the rule
// does not count by the ids it can tell, may be anyone, root or a sharer
// too.
enum class judged { counts, does_not_count, cannot_tell };
judged judge_in_folder(const access_rules& folder, const credentials& who);
// The same for the owner of what stands in the folder (uid and gid as stat
// gives them): that user with the groups the user database gives it and the
// file's own group, which the process that made it had (one started by sg
// or newgrp, or of a member the database no longer lists there), so that a
// file and the process that holds it are judged by the same groups. Of a
// folder given by its path: does_not_count where its rules cannot be read.
judged owner_judged(const access_rules& folder, unsigned uid, unsigned gid);
judged owner_judged(const std::string& folder, unsigned uid, unsigned gid);
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
