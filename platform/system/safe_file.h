#pragma once
// Files written whole or not at all. The bytes go to a temporary file beside
// the final path, of this writer's own ("<path>.<pid>.tmp", made anew, never
// one that stood there), are flushed and synced to the disk, and only then is
// the temporary file renamed over the final one, and the folder synced. A
// crash, a full disk or a power loss at any moment leaves either the old file
// or the new one, never a mixture; two processes writing the same file at
// once each write their own temporary file.
#include "platform/system/file_system.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
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

    // Makes the temporary file for binary writing. False when it cannot be
    // made; error() says why.
    bool open(const std::string& path);
    FILE* stream() const { return file_; }
    bool is_open() const { return file_ != nullptr; }
    // Asks the commit to hold the file it replaces instead of removing it,
    // whatever wrote it and however timed: the two names are exchanged in
    // one step where the file system can (elsewhere the old file is linked
    // to a name of this writer's own just before the rename). The caller
    // then keeps it (keep_replaced) or drops it (drop_replaced).
    void hold_replaced() { hold_ = true; }
    // Flushes and syncs the temporary file, which stays until the commit or
    // abandon. False, with the temporary file removed, when any step failed.
    bool prepare();
    // Prepares (unless done) and renames the temporary file over the final
    // path. False when any step failed: the temporary file is removed and
    // the old file, if any, is untouched.
    bool commit();
    // Closes and removes the temporary file; the old file stays.
    void abandon();
    // What failed last, with the system's reason.
    const std::string& error() const { return error_; }
    // The new file as the commit left it at the final path.
    const file_status& written() const { return written_; }

    // After a commit that held: whether it replaced a file, that file as it
    // stood, and the name it is held under.
    bool has_replaced() const { return !replaced_path_.empty(); }
    const file_status& replaced() const { return replaced_; }
    const std::string& replaced_path() const { return replaced_path_; }
    // Moves the held file to the first of name(1) ... name(count) at which
    // nothing stands (whatever stands at a name is never replaced); the name
    // it took, or "" when every name was taken or the move failed (error()
    // says why; the file is still held).
    std::string keep_replaced(const std::function<std::string(unsigned)>& name, unsigned count);
    // Removes the held file.
    void drop_replaced();

private:
    friend struct safe_file_stream;
    void fail(const char* step, int err);
    // Puts the prepared file at the final path, holding what it replaced.
    bool put_holding();

    FILE* file_ = nullptr;
    int fd_ = -1;
    // The reason of the first write that failed: the stream only remembers
    // that one did.
    int write_error_ = 0;
    bool prepared_ = false;
    bool hold_ = false;
    std::string path_;
    std::string temp_;
    file_status written_;
    file_status replaced_;
    std::string replaced_path_;
    std::string error_;
};

// The temporary names a writer in this process tries for a final path, in
// turn from n = 1; when every one is taken the file cannot be made.
constexpr unsigned kSafeFileTempNames = 100;
std::string safe_file_temp_path(const std::string& path, unsigned n = 1);

// The temporary files in the folder that writers of the named files (names
// in the folder) left behind and that no running writer holds: those of this
// form whose process no longer runs here (a kill between writing and
// renaming), and the plain "<name>.tmp" an older writer used. Full paths.
std::vector<std::string> safe_file_leftovers(const std::string& folder, const std::set<std::string>& names);

// Writes the bytes through a safe_file.
bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// For tests: called with the final path once the new bytes are on the disk,
// just before the rename (a test may end the process there). Null removes
// it.
using safe_file_hook = void (*)(const std::string& path);
void set_safe_file_hook(safe_file_hook hook);

} // namespace psys
