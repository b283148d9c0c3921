#include "support/SampleGameCopy.h"

#include "base/GxStringUtil.h"
#include "gamedata/GxUserConfig.h"
#include "support/FakeCore.h"
#include "support/SharedSampleGame.h"
#include "tools/SampleGame.h"
#include "tools/builders/FileBytes.h"

namespace qtest {

namespace fs = std::filesystem;

bool CopySampleGame(const fs::path& folder, bool withMovie, std::string* error) {
    return CopySharedSample(QUILLON_TEST_SAMPLE, withMovie, folder, error);
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
