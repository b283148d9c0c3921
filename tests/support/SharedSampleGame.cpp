#include "support/SharedSampleGame.h"

#include "tools/SampleGame.h"
#include "tools/builders/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qtest {
namespace {

namespace fs = std::filesystem;

fs::path Folder(const fs::path& root, bool withMovie) { return root / (withMovie ? "movie" : "still"); }

// A lock on the kind's lock file, held until it goes out of scope; shared
// for readers, exclusive for the writer.
class KindLock {
public:
    KindLock(const fs::path& root, bool withMovie, int how) {
        std::error_code ec;
        fs::create_directories(root, ec);
        const fs::path path = Folder(root, withMovie).string() + ".lock";
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) Take(how);
    }
    ~KindLock() {
        if (fd_ >= 0) close(fd_);
    }
    KindLock(const KindLock&) = delete;
    KindLock& operator=(const KindLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    void Take(int how) {
        while (flock(fd_, how) != 0 && errno == EINTR) {
        }
    }

private:
    int fd_ = -1;
};

// The generator writes its version last, after "unfinished" first.
bool Finished(const fs::path& folder) {
    const std::vector<unsigned char> v = ReadBytes(folder / qtools::kSampleVersionFile);
    const std::string text(v.begin(), v.end());
    return !text.empty() && text != "unfinished\n";
}

bool Write(const fs::path& root, bool withMovie, std::string* error) {
    qtools::SampleGameOptions options;
    if (!withMovie) options.ffmpeg = "/nonexistent/ffmpeg";
    std::string why;
    if (qtools::WriteSampleGame(Folder(root, withMovie), options, why)) return true;
    if (error) *error = "cannot write the sample game: " + why;
    return false;
}

} // namespace

bool WriteSharedSample(const fs::path& root, bool withMovie, std::string* error) {
    KindLock lock(root, withMovie, LOCK_EX);
    if (!lock.Held()) {
        if (error) *error = "cannot lock " + Folder(root, withMovie).string();
        return false;
    }
    return Write(root, withMovie, error);
}

bool CopySharedSample(const fs::path& root, bool withMovie, const fs::path& to, std::string* error) {
    KindLock lock(root, withMovie, LOCK_SH);
    if (!lock.Held()) {
        if (error) *error = "cannot lock " + Folder(root, withMovie).string();
        return false;
    }
    const fs::path from = Folder(root, withMovie);
    if (!Finished(from)) {
        // Another process may have written it while this one waited.
        lock.Take(LOCK_EX);
        if (!Finished(from) && !Write(root, withMovie, error)) return false;
        lock.Take(LOCK_SH);
    }
    std::error_code ec;
    fs::create_directories(to, ec);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec && error) *error = "cannot copy the sample game: " + ec.message();
    return !ec;
}

} // namespace qtest
