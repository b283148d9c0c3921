#pragma once
// Files written whole or not at all. The bytes go to a temporary file beside
// the final path ("<path>.tmp"), are flushed and synced to the disk, and only
// then is the temporary file renamed over the final one, and the folder
// synced. A crash, a full disk or a power loss at any moment leaves either the
// old file or the new one, never a mixture.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace psys {

class safe_file {
public:
    safe_file() = default;
    // An open file that was never committed is abandoned.
    ~safe_file();
    safe_file(const safe_file&) = delete;
    safe_file& operator=(const safe_file&) = delete;

    // Opens the temporary file for binary writing, made anew (what stood at
    // its name, a crash's leftover or a link, is removed first). False when
    // it cannot be made; error() says why.
    bool open(const std::string& path);
    FILE* stream() const { return file_; }
    bool is_open() const { return file_ != nullptr; }
    // Asks the commit to keep the file it replaces under another name: once
    // the new bytes are on the disk, and before they take the final name,
    // the old file is linked (or, where it cannot be, moved) to the first of
    // `names` at which nothing stands. What stands at a name is never
    // replaced: when every name is taken nothing is kept, and the new file
    // still replaces the old. Nothing is kept when there is no old file.
    void keep_old_as(std::vector<std::string> names) { asides_ = std::move(names); }
    // Flushes, syncs and closes the temporary file, which stays until the
    // commit or abandon. False, with the temporary file removed, when any
    // step failed.
    bool prepare();
    // Prepares (unless done) and renames the temporary file over the final
    // path. False when any step failed: the temporary file is removed and
    // the old file, if any, is untouched.
    bool commit();
    // Closes and removes the temporary file; the old file stays.
    void abandon();
    // What failed last, with the system's reason.
    const std::string& error() const { return error_; }
    // The name the last commit kept the old file under; empty when it kept none.
    const std::string& kept_as() const { return kept_as_; }
    // Whether the last commit had an old file to keep and every name was taken.
    bool asides_full() const { return asides_full_; }

private:
    friend struct safe_file_stream;
    void fail(const char* step, int err);
    bool keep_old(bool* moved);

    FILE* file_ = nullptr;
    int fd_ = -1;
    // The reason of the first write that failed: the stream only remembers
    // that one did.
    int write_error_ = 0;
    bool prepared_ = false;
    bool asides_full_ = false;
    std::string path_;
    std::string temp_;
    std::vector<std::string> asides_;
    std::string kept_as_;
    std::string error_;
};

// The temporary file's name for a final path.
std::string safe_file_temp_path(const std::string& path);

// Writes the bytes through a safe_file.
bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error = nullptr);

// For tests: called with the final path once the new bytes are on the disk
// (and an old file kept aside where asked), just before the rename (a test
// may end the process there). Null removes it.
using safe_file_hook = void (*)(const std::string& path);
void set_safe_file_hook(safe_file_hook hook);

} // namespace psys
