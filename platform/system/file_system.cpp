#include "platform/system/file_system.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <acl/libacl.h>
#include <algorithm>
#include <pwd.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

namespace {

// The folder a path names its last part in.
std::string parent_of(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool told(unsigned id, bool group);

// The group a user's own files and folders take where nothing else decides:
// its primary group; fallback where the user is in no database.
gid_t primary_group(uid_t uid, gid_t fallback) {
    struct passwd pw {}, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) != 0 || !found) return fallback;
    return pw.pw_gid;
}

} // namespace

bool make_folder(const std::string& path, bool private_folder) {
    if (::mkdir(path.c_str(), private_folder ? 0700 : 0755) != 0) return false;
    struct stat above {};
    if (::geteuid() != 0 || ::stat(parent_of(path).c_str(), &above) != 0 || above.st_uid == 0) return true;
    // An owner this user namespace cannot tell may be anyone.
    if (!told(above.st_uid, false)) return true;
    // Made by root (sudo) in a folder of another user's: that user's, as the
    // user's own mkdir would have made it, so that the player's next start
    // can write there. The folder is root's alone until then.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return true;
    struct stat made {};
    if (::fstat(fd, &made) == 0 && made.st_uid == 0) {
        const gid_t group = (above.st_mode & S_ISGID) ? above.st_gid : primary_group(above.st_uid, above.st_gid);
        (void)!::fchown(fd, above.st_uid, told(group, true) ? group : gid_t(-1));
        // A change of owner may drop the set-group-id bit a folder took from
        // the folder above; the user's own mkdir would have kept it.
        if ((above.st_mode & S_ISGID) && ::fstat(fd, &made) == 0 && !(made.st_mode & S_ISGID))
            (void)!::fchmod(fd, (made.st_mode & 07777) | S_ISGID);
    }
    ::close(fd);
    return true;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool list_folder(const std::string& path, std::vector<std::string>* names) {
    names->clear();
    DIR* d = ::opendir(path.c_str());
    if (!d) return false;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e) break;
        const std::string n = e->d_name;
        if (n != "." && n != "..") names->push_back(n);
    }
    const int why = errno;
    ::closedir(d);
    if (why == 0) return true;
    names->clear();
    errno = why;
    return false;
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

// ---- who counts in a folder -------------------------------------------------

namespace {

const char* folder_path(const std::string& folder) { return folder.empty() ? "." : folder.c_str(); }

// The id (a user's, or a group's where group) that an id this process's user
// namespace does not map reads as.
unsigned overflow_id(bool group) {
    unsigned id = 65534;
    if (FILE* f = std::fopen(group ? "/proc/sys/kernel/overflowgid" : "/proc/sys/kernel/overflowuid", "re")) {
        if (std::fscanf(f, "%u", &id) != 1) id = 65534;
        std::fclose(f);
    }
    return id;
}

// Whether this process's user namespace tells the id (a user's, or a
// group's where group) as one user or group: it maps it, and, where it does
// not map every id, it is not the overflow id, which every id outside the
// map reads as, whoever it is, though the map may give that number too (a
// container that maps 65536 ids). The machine's own namespace maps every id.
// Without /proc to tell, the ids are the machine's own.
bool told(unsigned id, bool group) {
    FILE* map = std::fopen(group ? "/proc/self/gid_map" : "/proc/self/uid_map", "re");
    if (!map) return true;
    unsigned long long inside, outside, count, covered = 0;
    bool found = false;
    while (std::fscanf(map, "%llu %llu %llu", &inside, &outside, &count) == 3) {
        found = found || (id >= inside && id - inside < count);
        covered += count;
    }
    std::fclose(map);
    return found && (covered >= 0xFFFFFFFFull || id != overflow_id(group));
}

bool has(const std::vector<unsigned>& ids, unsigned id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// The rules of a mode alone: the owner's, the owning group's and the
// others' parts.
void rules_from_mode(mode_t mode, access_rules* out) {
    out->entries = {{access_entry::owner, out->owner, static_cast<unsigned char>((mode >> 6) & 7)},
                    {access_entry::owning_group, out->group, static_cast<unsigned char>((mode >> 3) & 7)},
                    {access_entry::other, credentials::kNoUser, static_cast<unsigned char>(mode & 7)}};
}

// fd when it is open, else path.
bool read_rules(int fd, const char* path, access_rules* out) {
    *out = access_rules();
    struct stat st {};
    if ((fd >= 0 ? ::fstat(fd, &st) : ::stat(path, &st)) != 0) return false;
    out->owner = st.st_uid;
    out->group = st.st_gid;
    out->sticky = st.st_mode & S_ISVTX;
    rules_from_mode(st.st_mode, out);
    // An NFSv4 list decides there, and the mode only sums it up.
    const char* nfs4 = "system.nfs4_acl";
    if ((fd >= 0 ? ::fgetxattr(fd, nfs4, nullptr, 0) : ::getxattr(path, nfs4, nullptr, 0)) >= 0) {
        out->listed = true;
        return true;
    }
    acl_t acl = fd >= 0 ? ::acl_get_fd(fd) : ::acl_get_file(path, ACL_TYPE_ACCESS);
    if (!acl) {
        // A file system without lists: the mode says everything.
        out->known = errno == ENOTSUP || errno == ENOSYS;
        out->listed = !out->known;
        return true;
    }
    std::vector<access_entry> entries;
    unsigned char mask = 7;
    bool ok = true;
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; ok && ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag = ACL_UNDEFINED_TAG;
        acl_permset_t permset = nullptr;
        ok = ::acl_get_tag_type(entry, &tag) == 0 && ::acl_get_permset(entry, &permset) == 0;
        if (!ok) break;
        const unsigned char perm = (::acl_get_perm(permset, ACL_READ) == 1 ? 4 : 0) |
                                   (::acl_get_perm(permset, ACL_WRITE) == 1 ? 2 : 0) |
                                   (::acl_get_perm(permset, ACL_EXECUTE) == 1 ? 1 : 0);
        unsigned id = credentials::kNoUser;
        if (tag == ACL_USER || tag == ACL_GROUP) {
            void* qualifier = ::acl_get_qualifier(entry);
            ok = qualifier != nullptr;
            if (!ok) break;
            id = *static_cast<const id_t*>(qualifier);
            ::acl_free(qualifier);
        }
        switch (tag) {
        case ACL_USER_OBJ: entries.push_back({access_entry::owner, out->owner, perm}); break;
        case ACL_USER: entries.push_back({access_entry::user, id, perm}); break;
        case ACL_GROUP_OBJ: entries.push_back({access_entry::owning_group, out->group, perm}); break;
        case ACL_GROUP: entries.push_back({access_entry::group, id, perm}); break;
        case ACL_MASK:
            mask = perm;
            out->listed = true;
            break;
        case ACL_OTHER: entries.push_back({access_entry::other, credentials::kNoUser, perm}); break;
        default: ok = false;
        }
    }
    ::acl_free(acl);
    if (!ok) {
        out->listed = true;
        return true;
    }
    // With a list, the mode's group part is its mask, which caps every entry
    // but the owner's and the others'.
    for (access_entry& e : entries)
        if (e.tag == access_entry::user || e.tag == access_entry::owning_group || e.tag == access_entry::group)
            e.perm &= mask;
    out->entries = std::move(entries);
    out->known = true;
    return true;
}

// A principal of a list: its user, or a member of its group alone.
credentials named(unsigned uid, std::vector<unsigned> groups = {}) {
    credentials who;
    who.uid = uid;
    who.groups = std::move(groups);
    return who;
}

unsigned char perms_of(const access_rules& rules, const credentials& who) {
    return static_cast<unsigned char>((may(rules, who, 4) ? 4 : 0) | (may(rules, who, 2) ? 2 : 0) |
                                      (may(rules, who, 1) ? 1 : 0));
}

// What an entry of rules stands for: its user, a member of its group alone,
// or one of the others.
credentials principal_of(const access_entry& e) {
    if (e.tag == access_entry::owner || e.tag == access_entry::user) return named(e.id);
    if (e.tag != access_entry::other) return named(credentials::kNoUser, {e.id});
    return credentials();
}

bool same_entries(std::vector<access_entry> a, std::vector<access_entry> b) {
    const auto order = [](const access_entry& x, const access_entry& y) {
        return x.tag != y.tag ? x.tag < y.tag : x.id < y.id;
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    // The owner's, the owning group's and the others' parts are told by
    // their tag alone: a change of owner or group is not one of them.
    const auto listed = [](const access_entry& e) {
        return e.tag == access_entry::user || e.tag == access_entry::group;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const access_entry& x, const access_entry& y) {
        return x.tag == y.tag && (!listed(x) || x.id == y.id) && x.perm == y.perm;
    });
}

// The entries a file of the folder's should have: read and written by its
// owner, the folder's owner and everyone who counts in the folder, by no one
// else. Where the file could not take the folder's group, its own group
// gets what the others get. Entries that only repeat what would be decided
// without them are left out, so that where the folder has no list the file
// needs none.
std::vector<access_entry> reach_entries(const access_rules& folder, unsigned file_owner, unsigned file_group,
                                        bool folders_group) {
    if (!folder.known)
        return {{access_entry::owner, file_owner, 6},
                {access_entry::owning_group, file_group, 0},
                {access_entry::other, credentials::kNoUser, 0}};
    const auto reach = [&](const credentials& who) -> unsigned char { return counts_in_folder(folder, who) ? 6 : 0; };
    const unsigned char others = reach(credentials());
    const unsigned char group = folders_group ? reach(named(credentials::kNoUser, {folder.group})) : others;
    std::vector<access_entry> users, groups;
    for (const access_entry& e : folder.entries) {
        // One this user namespace cannot tell cannot be named from here.
        if (e.tag == access_entry::user && told(e.id, false))
            users.push_back({access_entry::user, e.id, reach(named(e.id))});
        if (e.tag == access_entry::group && !(folders_group && e.id == folder.group) && told(e.id, true))
            groups.push_back({access_entry::group, e.id, reach(named(credentials::kNoUser, {e.id}))});
    }
    // A file that could not take the folder's group gives that group its
    // part by name.
    if (!folders_group && told(folder.group, true) &&
        !std::any_of(groups.begin(), groups.end(), [&](const access_entry& e) { return e.id == folder.group; }))
        groups.push_back({access_entry::group, folder.group, reach(named(credentials::kNoUser, {folder.group}))});
    // The folder's owner reads and writes whatever a sharer's copy wrote
    // there, where the file's group or the others' part does not let it.
    const auto listed = [&](unsigned uid) {
        return std::any_of(users.begin(), users.end(), [&](const access_entry& e) { return e.id == uid; });
    };
    if (folder.owner != file_owner && folder.owner != 0 && told(folder.owner, false) && !listed(folder.owner) &&
        others != 6 &&
        !(group == 6 && has(credentials_of_user(folder.owner).groups, file_group)))
        users.push_back({access_entry::user, folder.owner, 6});
    bool groups_grant = group != 0;
    for (const access_entry& e : groups) groups_grant = groups_grant || e.perm != 0;
    std::vector<access_entry> out{{access_entry::owner, file_owner, 6}};
    for (const access_entry& e : users)
        if (e.perm != 0 || groups_grant || others != 0) out.push_back(e);
    out.push_back({access_entry::owning_group, file_group, group});
    for (const access_entry& e : groups)
        if (e.perm != 0 || others != 0) out.push_back(e);
    out.push_back({access_entry::other, credentials::kNoUser, others});
    return out;
}

bool needs_list(const std::vector<access_entry>& entries) {
    for (const access_entry& e : entries)
        if (e.tag == access_entry::user || e.tag == access_entry::group) return true;
    return false;
}

mode_t mode_of(const std::vector<access_entry>& entries) {
    mode_t mode = 0;
    for (const access_entry& e : entries) {
        if (e.tag == access_entry::owner) mode |= mode_t(e.perm) << 6;
        if (e.tag == access_entry::owning_group) mode |= mode_t(e.perm) << 3;
        if (e.tag == access_entry::other) mode |= e.perm;
    }
    return mode;
}

bool set_list(int fd, const std::vector<access_entry>& entries) {
    acl_t acl = ::acl_init(int(entries.size()) + 1);
    if (!acl) return false;
    bool ok = true;
    unsigned char mask = 0;
    const auto add = [&](acl_tag_t tag, unsigned id, unsigned char perm) {
        acl_entry_t entry;
        acl_permset_t permset;
        const id_t qualifier = id;
        ok = ok && ::acl_create_entry(&acl, &entry) == 0 && ::acl_set_tag_type(entry, tag) == 0 &&
             ((tag != ACL_USER && tag != ACL_GROUP) || ::acl_set_qualifier(entry, &qualifier) == 0) &&
             ::acl_get_permset(entry, &permset) == 0 && ::acl_clear_perms(permset) == 0 &&
             (!(perm & 4) || ::acl_add_perm(permset, ACL_READ) == 0) &&
             (!(perm & 2) || ::acl_add_perm(permset, ACL_WRITE) == 0) &&
             (!(perm & 1) || ::acl_add_perm(permset, ACL_EXECUTE) == 0) && ::acl_set_permset(entry, permset) == 0;
    };
    for (const access_entry& e : entries) {
        switch (e.tag) {
        case access_entry::owner: add(ACL_USER_OBJ, 0, e.perm); break;
        case access_entry::user: add(ACL_USER, e.id, e.perm); break;
        case access_entry::owning_group: add(ACL_GROUP_OBJ, 0, e.perm); break;
        case access_entry::group: add(ACL_GROUP, e.id, e.perm); break;
        case access_entry::other: add(ACL_OTHER, 0, e.perm); break;
        }
        if (e.tag == access_entry::user || e.tag == access_entry::owning_group || e.tag == access_entry::group)
            mask |= e.perm;
    }
    if (needs_list(entries)) add(ACL_MASK, 0, mask);
    ok = ok && ::acl_set_fd(fd, acl) == 0;
    ::acl_free(acl);
    return ok;
}

// The entries the file (its rules) should have in the folder (dir), given
// whether it has the folder's group. Where narrow_only, what it gives no one
// now stays given to no one: a group it has just taken gets only what the
// others had.
std::vector<access_entry> wanted_entries(const access_rules& dir, const access_rules& file, bool folders_group,
                                         bool narrow_only) {
    std::vector<access_entry> want =
        reach_entries(dir, file.owner, folders_group ? dir.group : file.group, folders_group);
    if (narrow_only) {
        for (access_entry& e : want) {
            if (!file.known) e.perm = e.tag == access_entry::owner ? e.perm : 0;
            else if (e.tag == access_entry::owner) e.perm &= file.entries.front().perm;
            else e.perm &= perms_of(file, principal_of(e));
        }
    }
    return want;
}

bool reach_as_wanted(const access_rules& file, const std::vector<access_entry>& want) {
    return file.known && file.listed == needs_list(want) && same_entries(file.entries, want);
}

} // namespace

credentials credentials_of_user(unsigned uid) {
    credentials who;
    who.uid = uid;
    struct passwd pw {}, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) != 0 || !found) return who;
    int n = 64;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) {
        groups.resize(size_t(n));
        if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) n = 0;
    }
    who.groups.push_back(pw.pw_gid);
    for (int i = 0; i < n; ++i) who.groups.push_back(groups[size_t(i)]);
    return who;
}

bool access_rules_of(int fd, access_rules* out) { return read_rules(fd, nullptr, out); }

bool access_rules_of(const std::string& path, access_rules* out) { return read_rules(-1, path.c_str(), out); }

bool may(const access_rules& rules, const credentials& who, unsigned want) {
    for (const access_entry& e : rules.entries)
        if (e.tag == access_entry::owner && who.uid == e.id) return (e.perm & want) == want;
    for (const access_entry& e : rules.entries)
        if (e.tag == access_entry::user && who.uid != credentials::kNoUser && who.uid == e.id)
            return (e.perm & want) == want;
    // A member of any group named: one of them must hold all of want.
    bool member = false;
    for (const access_entry& e : rules.entries) {
        if ((e.tag == access_entry::owning_group || e.tag == access_entry::group) && has(who.groups, e.id)) {
            if ((e.perm & want) == want) return true;
            member = true;
        }
    }
    if (member) return false;
    for (const access_entry& e : rules.entries)
        if (e.tag == access_entry::other) return (e.perm & want) == want;
    return false;
}

namespace {

// Those who count in every folder: this process's own user, the folder's
// owner, and root.
bool always_counts(const access_rules& folder, unsigned uid) {
    return uid == ::geteuid() || uid == folder.owner || uid == 0;
}

} // namespace

// The rule itself.
bool counts_in_folder(const access_rules& folder, const credentials& who) {
    return always_counts(folder, who.uid) || (folder.known && !folder.sticky && may(folder, who, 3));
}

judged judge_in_folder(const access_rules& folder, const credentials& who) {
    // Judged by the ids this namespace can tell: one it cannot is no one
    // known, not the folder's owner, root or this user, nor a member of a
    // group it names.
    credentials known;
    bool all = true;
    if (who.uid != credentials::kNoUser) {
        if (told(who.uid, false)) known.uid = who.uid;
        else all = false;
    }
    for (unsigned group : who.groups) {
        if (told(group, true)) known.groups.push_back(group);
        else all = false;
    }
    if (counts_in_folder(folder, known)) return judged::counts;
    return all ? judged::does_not_count : judged::cannot_tell;
}

judged owner_judged(const access_rules& folder, unsigned uid, unsigned gid) {
    credentials who;
    who.uid = uid;
    who.groups = {gid};
    const judged alone = judge_in_folder(folder, who);
    // The user database is asked only where its groups could make the owner
    // count.
    if (alone == judged::counts || !folder.known || folder.sticky || !told(uid, false)) return alone;
    who = credentials_of_user(uid);
    who.groups.push_back(gid);
    return judge_in_folder(folder, who);
}

judged owner_judged(const std::string& folder, unsigned uid, unsigned gid) {
    // This process's own user always counts: neither the folder's rules nor
    // the user database need be read for it.
    if (uid == ::geteuid()) return judged::counts;
    access_rules rules;
    return access_rules_of(folder_path(folder), &rules) ? owner_judged(rules, uid, gid) : judged::does_not_count;
}

bool give_folder_reach(int fd, const std::string& folder, bool narrow_only) {
    access_rules dir, file;
    if (!access_rules_of(folder_path(folder), &dir) || !access_rules_of(fd, &file)) return false;
    // Root writes for the folder's owner: the player's next start must find
    // the player's own file. Never to an id this user namespace cannot tell
    // (the overflow id, which its map may give to someone else).
    const bool group_told = told(dir.group, true);
    if (::geteuid() == 0 && file.owner == 0 && dir.owner != 0 && told(dir.owner, false) &&
        ::fchown(fd, dir.owner, group_told ? dir.group : gid_t(-1)) == 0)
        access_rules_of(fd, &file);
    const bool folders_group = file.group == dir.group || (group_told && ::fchown(fd, uid_t(-1), dir.group) == 0);
    const std::vector<access_entry> want = wanted_entries(dir, file, folders_group, narrow_only);
    // Changed only where it must be: a log is narrowed at each line it takes.
    if (reach_as_wanted(file, want)) return true;
    if (!needs_list(want) && !file.listed) return ::fchmod(fd, mode_of(want)) == 0;
    // Where the file cannot take the list, it is its owner's alone.
    return set_list(fd, want) || ::fchmod(fd, 0600) == 0;
}

reach_fit folder_reach_fit(int fd, const std::string& folder) {
    reach_fit fit;
    access_rules dir, file;
    if (!access_rules_of(folder_path(folder), &dir) || !access_rules_of(fd, &file) || !dir.known || !file.known)
        return fit;
    // Each user and group either names: a user with its groups, as the
    // kernel would judge its open.
    const auto judged = [](const access_entry& e) {
        return e.tag == access_entry::owner || e.tag == access_entry::user ? credentials_of_user(e.id) : principal_of(e);
    };
    // One this user namespace cannot tell may be root, and cannot be given
    // a part from here.
    const auto untold = [](const access_entry& e) {
        if (e.tag == access_entry::other) return false;
        return !told(e.id, e.tag == access_entry::owning_group || e.tag == access_entry::group);
    };
    fit.reaches = true;
    fit.wider = false;
    for (const access_entry& e : dir.entries) {
        const credentials who = judged(e);
        if (who.uid != 0 && !untold(e) && counts_in_folder(dir, who) && !may(file, who, 6)) fit.reaches = false;
    }
    for (const access_entry& e : file.entries) {
        const credentials who = judged(e);
        if (who.uid != 0 && (may(file, who, 4) || may(file, who, 2)) && !counts_in_folder(dir, who)) fit.wider = true;
    }
    return fit;
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
