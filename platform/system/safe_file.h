#pragma once
// Files written whole or not at all. The bytes go to a temporary file beside
// the final path, made anew under a name of this writer's own that no one
// else can foresee, are flushed and synced to the disk, and only then take
// the final name; the folder is synced after. A crash, a full disk or a
// power loss at any moment leaves either the old file or the new one, never
// a mixture, and a name planted in a folder others may write into can make
// no write fail.
//
// What each name a writer makes beside "<path>" may hold, at every instant of
// every write, however the steps of writers of one file meet:
//   "<path>.<pid>-<random>.tmp"   bytes that never stood at the path alone (a
//                                 write not yet committed, or a second name of
//                                 the file it committed): a start may remove
//                                 it once its writer no longer runs
//   "<path>.<pid>-<random>.held"  a file a commit took from the path, which
//                                 may be another copy's finished file, or a
//                                 second name of a file that stands elsewhere:
//                                 kept by a start unless it is only that
// A writer's commit makes the held name a second name of its new file before
// the two names are exchanged, so that the exchange leaves what it replaced
// under the held name, never under the temporary one.
#include "platform/system/file_system.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace psys {

class safe_file {
public:
    safe_file() = default;
    // An open file that was never committed is abandoned; a replaced file
    // still held stays where it is held.
    ~safe_file();
    safe_file(const safe_file&) = delete;
    safe_file& operator=(const safe_file&) = delete;

    // Makes the temporary file for binary writing, with the folder's reach
    // (give_folder_reach). False when it cannot be made; error() says why.
    bool open(const std::string& path);
    FILE* stream() const { return file_; }
    bool is_open() const { return file_ != nullptr; }
    // Asks the commit to hold the file it replaces instead of removing it,
    // whatever wrote it and however timed: the two names are exchanged in
    // one step where the file system can (elsewhere the old file is linked
    // to the held name just before the rename, while this writer holds the
    // file's turn). The caller then keeps it (keep_replaced) or drops it
    // (drop_replaced).
    void hold_replaced() { hold_ = true; }
    // Flushes and syncs the temporary file, which stays until the commit or
    // abandon. False, with the temporary file removed, when any step failed.
    bool prepare();
    // Prepares (unless done) and gives the file its final name. False when
    // any step failed: the temporary file is removed and the old file, if
    // any, is untouched.
    bool commit();
    // Closes and removes the temporary file; the old file stays.
    void abandon();
    // What failed last, with the system's reason.
    const std::string& error() const { return error_; }
    // What the last commit could not do as it should, though the write was
    // made (a turn among the file's writers that could not be had); "" when
    // nothing.
    const std::string& note() const { return note_; }
    // A stale turn's token of the file that could not be removed, as it
    // stood (kind other where none): given to the next write of the file,
    // that write does not wait for it again while it stands unchanged.
    const file_status& stuck_token() const { return stuck_token_; }
    void set_stuck_token(const file_status& token) { stuck_token_ = token; }
    // The new file as the commit left it at the final path (after prepare,
    // as it will stand there).
    const file_status& written() const { return written_; }

    // After a commit that held: whether it replaced a file, that file as it
    // stood, and the name it is held under.
    bool has_replaced() const { return !replaced_path_.empty(); }
    const file_status& replaced() const { return replaced_; }
    const std::string& replaced_path() const { return replaced_path_; }
    // Moves the held file to the first of name(1) ... name(count) at which
    // nothing stands (whatever stands at a name is never replaced; a number
    // name() answers "" for is passed over); the name it took. "" when it
    // was not moved: its bytes are those of the file
    // this commit wrote or of a file at one of those names (*identical is
    // then set and the held file dropped: nothing is lost), or every name
    // was taken or the move failed (error() says why; the file is still
    // held). announce, when given, is told each name just before the file
    // is moved there, so that what it writes down is there before the file
    // is, whenever the writer is ended.
    std::string keep_replaced(const std::function<std::string(unsigned)>& name, unsigned count,
                              bool* identical = nullptr, const std::function<void(const std::string&)>& announce = {});
    // Removes the held file.
    void drop_replaced();
    // Hands the held file's name over to the caller, who now moves or
    // removes what stands there.
    std::string take_replaced() { return std::exchange(replaced_path_, std::string()); }

private:
    friend struct safe_file_stream;
    void fail(const char* step, int err);
    // Puts the prepared file at the final path, holding what it replaced.
    bool put_holding();
    // The same where names cannot be exchanged, in the file's turn.
    bool put_in_turn(const std::string& held);

    FILE* file_ = nullptr;
    int fd_ = -1;
    // The reason of the first write that failed: the stream only remembers
    // that one did.
    int write_error_ = 0;
    bool prepared_ = false;
    bool hold_ = false;
    std::string path_;
    std::string temp_;
    std::string held_;
    file_status written_;
    file_status replaced_;
    std::string replaced_path_;
    std::string error_;
    std::string note_;
    file_status stuck_token_;
};

// What writes cut short left in a folder beside the named files (names in
// the folder), by what a start does with each; full paths. Only names of
// writers that no longer run here are listed.
struct safe_file_leftovers {
    // Temporary files, and the names a writer moved a stale turn's token to:
    // nothing that ever stood alone at a file's name. Each with the final
    // path it was written for.
    std::vector<std::pair<std::string, std::string>> temporary;
    // Held files with no other name that stays, each with the final path it
    // was taken from: whole files, another copy's among them.
    std::vector<std::pair<std::string, std::string>> held;
    // Held names whose file stands under another name too (the final path, a
    // temporary or a kept name): removing them loses nothing.
    std::vector<std::string> second_names;
};
safe_file_leftovers find_safe_file_leftovers(const std::string& folder, const std::set<std::string>& names);

// A name of this writer's own beside path to hold a file under, as a
// commit holds what it replaced ("<path>.<pid>-<random>.held").
std::string safe_file_held_name(const std::string& path);

// Steps on names that writers beside the files take, counted like a
// safe_file's own (set_safe_file_step_hook); each 0 or the system's reason.
// Moves from to to unless something stands at to (EEXIST then).
int move_without_replacing(const std::string& from, const std::string& to);
// Exchanges what stands at two names in one step (EINVAL or ENOSYS where the
// file system cannot).
int exchange_names(const std::string& a, const std::string& b);
// Removes the name (a file's, or an empty folder's).
int remove_name(const std::string& path);
// Whether two regular files hold the same bytes; never waits on a FIFO nor
// follows a link.
bool same_bytes(const std::string& a, const std::string& b);

// Writes the bytes through a safe_file.
bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// For tests: called with the final path once the new bytes are on the disk,
// just before they take its name (a test may end the process there, or
// write the file as another copy would). Null removes it.
using safe_file_hook = void (*)(const std::string& path);
void set_safe_file_hook(safe_file_hook hook);
// For tests: called before every step a writer takes on the file system
// (its name in step: "open", "write", "sync", "link", "exchange", "rename",
// "unlink", "sync folder", "token"), with the path the step acts on; a
// value other than 0 fails that step with that errno. A test may end the
// process there, or run another copy's write first. Once a commit has put
// the new file at its name it is called with "committed", which is no step.
// Null removes it.
using safe_file_step_hook = int (*)(const char* step, const std::string& path);
void set_safe_file_step_hook(safe_file_step_hook hook);

} // namespace psys
