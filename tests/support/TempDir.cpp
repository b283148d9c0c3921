#include "support/TempDir.h"

#include "platform/system/codepage.h"
#include "platform/system/safe_file.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
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

TempNamesTaken::TempNamesTaken(const std::filesystem::path& file) : file_(file) {
    for (unsigned n = 1; n <= psys::kSafeFileTempNames; ++n)
        std::filesystem::create_directory(psys::safe_file_temp_path(file.string(), n));
}

TempNamesTaken::~TempNamesTaken() {
    for (unsigned n = 1; n <= psys::kSafeFileTempNames; ++n) {
        std::error_code ec;
        std::filesystem::remove(psys::safe_file_temp_path(file_.string(), n), ec);
    }
}

} // namespace qtest
