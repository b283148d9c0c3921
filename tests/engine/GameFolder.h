#pragma once
// A game folder in a scratch directory, made the working folder for the test,
// with its own documents folder, lock directory and a hand-driven clock.
#include "base/GxLog.h"
#include "engine/GxProcessState.h"
#include "io/GxFileSystem.h"
#include "platform/system/clock.h"
#include "platform/window/event_pump.h"
#include "tools/builders/PackWriter.h"
#include "support/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace proctest {

namespace fs = std::filesystem;

inline std::string ReadUtf16File(const fs::path& p) {
    const std::vector<unsigned char> b = qtest::ReadBytes(p);
    std::u16string s;
    for (size_t i = 2; i + 1 < b.size(); i += 2) s.push_back(char16_t(b[i] | (b[i + 1] << 8)));
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) out.push_back(char(c));
        else if (c < 0x800) out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        else out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
    }
    return out;
}

class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldCwd_ = fs::current_path();
        game_ = temp_.path() / "game";
        fs::create_directories(game_ / "system");
        fs::create_directories(temp_.path() / "run");
        fs::create_directories(Documents());
        setenv("XDG_RUNTIME_DIR", (temp_.path() / "run").c_str(), 1);
        setenv("HOME", (temp_.path() / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (temp_.path() / "home" / ".config").c_str(), 1);
        fs::current_path(game_);
        // The GL drivers SDL would load keep memory the leak checker reports;
        // the software renderer shows the frames as well.
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        GxResetProcessState();
        psys::set_current_clock(&clock_);
        pwin::discard_events();
    }
    void TearDown() override {
        fs::current_path(oldCwd_);
        GxResetProcessState();
        GxSetDebugListener(nullptr);
        pwin::discard_events();
    }

    fs::path Documents() const { return temp_.path() / "home" / "Documents"; }

    // A game named title whose configuration adds the lines given; a
    // setting.ini only when settings has a value.
    void WriteGame(const std::string& title, const std::string& sysconf,
                   const std::optional<std::string>& settings = std::nullopt) {
        qtest::WriteText(game_ / "system" / "sysconf.ini",
                         "APP_TITLE=" + title + "\nAPP_SAVEDIR=Save_" + title + "\n" + sysconf);
        if (settings) qtest::WriteText(game_ / "setting.ini", *settings);
    }

    qtest::TempDir temp_;
    fs::path game_;
    fs::path oldCwd_;
    psys::manual_clock clock_;
};

} // namespace proctest
