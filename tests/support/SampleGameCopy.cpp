#include "support/SampleGameCopy.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserConfig.h"
#include "support/FakeCore.h"
#include "tools/SampleGame.h"
#include "tools/builders/FileBytes.h"

#include <unistd.h>

namespace qtest {
namespace {

namespace fs = std::filesystem;

// The generator's version as this program holds it (a digest of the program
// and of the script sources, which change without a new link).
std::string BuildKey(bool withMovie) {
    return qtools::SampleVersion(qtools::SampleGameOptions()) + (withMovie ? "-movie" : "-still");
}

bool Write(const fs::path& folder, bool withMovie, std::string* error) {
    qtools::SampleGameOptions options;
    if (!withMovie) options.ffmpeg = "/nonexistent/ffmpeg";
    std::string why;
    if (qtools::WriteSampleGame(folder, options, why)) return true;
    if (error) *error = why;
    return false;
}

} // namespace

bool CopySampleGame(const fs::path& folder, bool withMovie, std::string* error) {
    std::error_code ec;
#ifdef QUILLON_TEST_CACHE
    const fs::path cached = fs::path(QUILLON_TEST_CACHE) / ("sample-" + BuildKey(withMovie));
    if (!fs::is_directory(cached, ec)) {
        // Written beside the cache and renamed into place, so that tests
        // running side by side never copy half a game.
        const fs::path part = fs::path(QUILLON_TEST_CACHE) / ("part-sample-" + std::to_string(getpid()));
        fs::remove_all(part, ec);
        if (!Write(part, withMovie, error)) return false;
        fs::rename(part, cached, ec);
        if (ec) fs::remove_all(part, ec);
    }
    fs::create_directories(folder, ec);
    fs::copy(cached, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec && error) *error = "cannot copy the sample game: " + ec.message();
    return !ec;
#else
    return Write(folder, withMovie, error);
#endif
}

bool CopyQuietSampleGame(const fs::path& folder, std::string* error) {
    if (!CopySampleGame(folder, true, error)) return false;
    const fs::path save = folder / qtools::SampleGameOptions().saveDir;
    std::error_code ec;
    fs::create_directories(save, ec);
    FakeCore core;
    core.m_SaveDir = GxFromUtf8(save.string()) + u"/";
    GxUserConfig settings(&core);
    settings.m_UseSystemVoice = false;
    if (!WriteText(folder / "setting.ini", "DebugModeFlag=1\nDebugConsoleFlag=0\nSkipSlightError=1\n") ||
        !settings.Save()) {
        if (error) *error = "the quiet settings could not be written";
        return false;
    }
    return true;
}

} // namespace qtest
