// The game's configuration, "system/sysconf.ini", and the developer's
// switches, "setting.ini", of any bytes, with what the program does with
// them: the sample game started by the process object on them (the save
// folder made where they say, the packs they name mounted, the window, the
// device, the game module and its scenes), played by a scripted run to the
// title and into a new game (the title, the play screen and the debug
// overlay drawn with the sizes, colours and margins the files give), and
// shut down, writing its settings.
//
// Input: bytes 0-3 the length n of "system/sysconf.ini" (little-endian), its
// n bytes, then "setting.ini" (none when nothing follows). The game folder
// is a copy of the sample in a scratch folder, which is the working folder
// only while an input runs (the fuzzer's own paths may be relative); the
// save folder's name must stay inside it, so inputs that name another place
// for it are passed over.
#include "engine/GxCore.h"
#include "fuzz/leak_checks.h"
#include "io/GxFileSystem.h"
#include "io/GxINIFile.h"
#include "platform/glyph/face_finder.h"
#include "platform/window/event_pump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The opening skipped (Control held), New Game on the title, the first
// frames of play; the pass limit ends a run whose scenes never come.
constexpr const char* kScript = "keydown Left Ctrl\nwait SeqTitle\n+1 keyup Left Ctrl\n"
                                "+25 move 840 322\n+2 click 840 322\nwait SeqAvgMain\n+8 quit\n";
constexpr int kMaxPasses = 150;

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";
fs::path g_Game;
std::set<fs::path> g_SampleFiles;

void RemoveDir() {
    std::error_code ec;
    fs::remove_all(g_Dir, ec);
}

// The sample copied into the scratch folder once, with a home, a runtime
// folder for the single-instance lock and the scripted run's script.
bool Ready() {
    static const bool ready = [] {
        if (!mkdtemp(g_Dir)) return false;
        std::atexit(RemoveDir);
        const fs::path dir = g_Dir;
        g_Game = dir / "game";
        std::error_code ec;
        fs::copy(QUILLON_FUZZ_SAMPLE, g_Game, fs::copy_options::recursive, ec);
        fs::create_directories(dir / "home" / ".config", ec);
        fs::create_directories(dir / "run", ec);
        if (ec) return false;
        std::ofstream(dir / "script.txt") << kScript;
        for (const auto& e : fs::recursive_directory_iterator(g_Game)) g_SampleFiles.insert(e.path());
        setenv("HOME", (dir / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "home" / ".config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("QUILLON_PLAYTHROUGH", (dir / "script.txt").c_str(), 1);
        qfuzz::WithoutLeakChecks([] { pglyph::find_face(u""); });
        return true;
    }();
    return ready;
}

// What a run left in the game folder and the home folder goes, so that the
// next input starts from the sample as it was written.
void Restore() {
    std::error_code ec;
    std::vector<fs::path> added;
    for (const auto& e : fs::recursive_directory_iterator(g_Game, ec))
        if (!g_SampleFiles.count(e.path())) added.push_back(e.path());
    for (const fs::path& p : added) fs::remove_all(p, ec);
    fs::remove_all(fs::path(g_Dir) / "home" / "Documents", ec);
}

bool Write(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return bool(f);
}

// The save folder's name as start-up reads it: one folder's name, or none
// (the game folder or the documents folder itself).
bool SaveFolderStaysInside() {
    GxINIFile ini;
    if (!ini.Load(u"system/sysconf.ini", true)) return true;
    GxString name;
    ini.GetString(&name, u"APP_SAVEDIR", u"");
    return name.find_first_of(u"/\\") == GxString::npos && name != u"." && name != u"..";
}

u32 LE32(const uint8_t* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > (1u << 16) || !Ready()) return 0;
    const size_t n = std::min<size_t>(LE32(data), size - 4);
    const fs::path cwd = fs::current_path();
    fs::current_path(g_Game);
    std::error_code ec;
    fs::remove(g_Game / "setting.ini", ec);
    const bool written = Write(g_Game / "system" / "sysconf.ini", data + 4, n) &&
                         (size - 4 - n == 0 || Write(g_Game / "setting.ini", data + 4 + n, size - 4 - n));
    GxResetFileSystem();
    if (written && SaveFolderStaysInside()) {
        // As the program's entry prepares the file layer.
        GxSetFileCacheCapacity(188743680);
        GxSetFileCacheMaxFileSize(1048576);
        GxMountPackFileReported(u"system.gxp", true);
        GxCore core;
        if (core.Initialize()) {
            for (int pass = 0; pass < kMaxPasses && core.RunPass(); ++pass) {
            }
            core.Finalize();
        }
    }
    GxResetFileSystem();
    pwin::discard_events();
    fs::current_path(cwd);
    Restore();
    return 0;
}
