#include "support/TempDir.h"

#include "platform/system/codepage.h"
#include "platform/system/safe_file.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qtest {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

FatDrive::FatDrive(std::filesystem::path path) : path_(std::move(path)) {
    if (path_.empty()) return;
    const std::string image = path_.string() + ".img", quiet = " >/dev/null 2>&1";
    std::filesystem::create_directories(path_);
    if (std::system(("truncate -s 8M '" + image + "' && mkfs.fat '" + image + "'" + quiet).c_str()) != 0)
        why_ = "mkfs.fat could not make a FAT image";
    else if (std::system(("fusefat -o rw+ '" + image + "' '" + path_.string() + "'" + quiet).c_str()) != 0)
        why_ = "fusefat could not mount it (needs /dev/fuse)";
    else
        mounted_ = true;
}

FatDrive::~FatDrive() {
    if (mounted_) (void)!std::system(("fusermount -u '" + path_.string() + "' >/dev/null 2>&1").c_str());
}

namespace {
// The capability words of this thread (the raw calls change only the caller).
bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}
constexpr unsigned kReadPastMode = 1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH;
} // namespace

UnreadableFile::UnreadableFile(std::filesystem::path path) : path_(std::move(path)) {
    std::filesystem::permissions(path_, std::filesystem::perms::none);
    __user_cap_data_struct caps[2] = {};
    if (geteuid() != 0 || !Capabilities(caps, false)) return;
    const unsigned held = caps[0].effective & kReadPastMode;
    caps[0].effective &= ~kReadPastMode;
    if (Capabilities(caps, true)) removed_ = held;
}

UnreadableFile::~UnreadableFile() {
    __user_cap_data_struct caps[2] = {};
    if (removed_ && Capabilities(caps, false)) {
        caps[0].effective |= removed_;
        Capabilities(caps, true);
    }
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms(0644), ec);
}

bool UnreadableFile::opens() const {
    const int fd = open(path_.c_str(), O_RDONLY);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

std::u16string TempDir::u16() const { return psys::utf8_to_utf16(path_.string()); }
std::u16string TempDir::u16(const std::string& name) const { return psys::utf8_to_utf16((path_ / name).string()); }

namespace {
std::string g_RefusedFile;
} // namespace

std::vector<std::string> WriterLeftovers(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".tmp") || name.ends_with(".held")) names.push_back(name);
    }
    return names;
}

TempFileRefused::TempFileRefused(const std::filesystem::path& file) {
    g_RefusedFile = file.string() + ".";
    psys::set_safe_file_step_hook([](const char* step, const std::string& path, const std::string&) {
        return std::strcmp(step, "open") == 0 && path.compare(0, g_RefusedFile.size(), g_RefusedFile) == 0 ? ENOSPC : 0;
    });
}

TempFileRefused::~TempFileRefused() { psys::set_safe_file_step_hook(nullptr); }

} // namespace qtest
