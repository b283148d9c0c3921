#pragma once
// A scratch folder for one test, removed with everything in it afterwards;
// with the whole-file helpers of the builders.
#include "tools/builders/FileBytes.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::u16string u16() const;
    // Path of a file inside, as UTF-16.
    std::u16string u16(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// A file this thread cannot open, as a player's file of mode 000 or of
// another user is: mode 000 and, under root, the thread's power to read past
// the mode set aside while this lives (by the first of several alive at
// once). opens() says whether it still does.
class UnreadableFile {
public:
    explicit UnreadableFile(std::filesystem::path path);
    ~UnreadableFile();
    UnreadableFile(const UnreadableFile&) = delete;
    UnreadableFile& operator=(const UnreadableFile&) = delete;
    bool opens() const;

private:
    std::filesystem::path path_;
    unsigned removed_ = 0;
};

// A FAT file system of a few megabytes mounted with fusefat at path while
// this stands, where this machine can (root, /dev/fuse, fusefat and
// mkfs.fat); why() says why not.
class FatDrive {
public:
    explicit FatDrive(std::filesystem::path path);
    ~FatDrive();
    FatDrive(const FatDrive&) = delete;
    FatDrive& operator=(const FatDrive&) = delete;
    bool mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return path_; }
    const std::string& why() const { return why_; }

private:
    std::filesystem::path path_;
    bool mounted_ = false;
    std::string why_;
};

// The names writers leave beside their files when a write is cut short
// (temporary and held files) in the folder.
std::vector<std::string> WriterLeftovers(const std::filesystem::path& dir);

// While it lives, every write of the file fails where its temporary file is
// made, as on a folder with no room for another name (ENOSPC).
class TempFileRefused {
public:
    explicit TempFileRefused(const std::filesystem::path& file);
    ~TempFileRefused();
    TempFileRefused(const TempFileRefused&) = delete;
    TempFileRefused& operator=(const TempFileRefused&) = delete;
};

} // namespace qtest
