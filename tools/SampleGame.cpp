#include "tools/SampleGame.h"

#include "tools/SampleCanvas.h"
#include "tools/SampleInterface.h"
#include "tools/SampleMovie.h"
#include "tools/SamplePlayScreens.h"
#include "tools/SamplePictures.h"
#include "tools/SampleScripts.h"
#include "tools/SampleSound.h"
#include "tools/SampleStoryArt.h"
#include "tools/SampleTables.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/PackWriter.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace qtools {
namespace {

namespace fs = std::filesystem;

// A UTF-8 byte-order mark: the configuration holds Japanese file names.
// Lines without '=' are no entries, so they serve as comments.
std::string SystemConfig(const SampleGameOptions& options, bool movie) {
    std::string s = "\xEF\xBB\xBF"
                    "The Quillon sample's system configuration\n"
                    "APP_TITLE=" + options.title + "\n"
                    "APP_SAVEDIR=" + options.saveDir + "\n"
                    "Saves and logs go into the game folder, not the documents folder\n"
                    "SAVE_TO_MYDOCUMENTS=0\n"
                    "Everything but the loose files is in this pack\n"
                    "PACK_FILE_00=" + std::string(kSamplePack) + "\n"
                    "Heights of the six system fonts\n"
                    "FONTSIZE_0=11\nFONTSIZE_1=15\nFONTSIZE_2=23\nFONTSIZE_3=24\nFONTSIZE_4=22\nFONTSIZE_5=38\n"
                    "The title's music under bgms/ and where its loop starts, in milliseconds\n"
                    "BGM_NAME_TITLE=" + std::string(kSampleTitleMusic) + "\n"
                    "BGM_LOOP_TITLE=" + std::to_string(kSampleTitleLoopMs) + "\n";
    if (movie)
        s += "The opening movie under movies/, skipped by a click or by holding Control at start\n"
             "MOV_NAME_OPENING=" + std::string(kSampleOpeningMovie) + "\n";
    s += "The label the title's Extra button starts\n"
         "LABEL_NAME_EXTRA=" + std::string(kSampleExtraLabel) + "\n"
         "FILE_CG_BG_DEFAULT=cg/bg/黒.png\n"
         "FILE_CG_ERROR=cg/error.png\n";
    return s;
}

std::string DeveloperSettings(const SampleGameOptions& options) {
    return std::string("DebugModeFlag=") + (options.debugMode ? "1" : "0") + "\n" +
           "DebugConsoleFlag=" + (options.debugConsole ? "1" : "0") + "\n" + "SkipSlightError=1\n";
}

// FNV-1a, 64 bits.
void Digest(uint64_t& h, const std::vector<unsigned char>& bytes) {
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001B3ull;
}

// What is in the folder besides the save folder; false with the reason when
// it is not a folder the generator may write into: one that is missing, empty
// or written by the generator before (it holds the version file, or only what
// generators before the version file wrote).
bool CheckFolder(const fs::path& folder, const SampleGameOptions& options, std::vector<fs::path>& entries,
                 std::string& error) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) return true;
    if (!fs::is_directory(folder, ec)) {
        error = folder.string() + " is not a folder";
        return false;
    }
    const std::set<std::string> older = {"system", "setting.ini", kSamplePack};
    bool ours = fs::exists(folder / kSampleVersionFile, ec), onlyOlder = true;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == options.saveDir) continue;
        entries.push_back(entry.path());
        onlyOlder = onlyOlder && older.count(name);
    }
    if (ec) {
        error = "cannot read " + folder.string() + ": " + ec.message();
        return false;
    }
    if (!ours && !onlyOlder) {
        error = folder.string() + " holds files the generator did not write; give an empty or new folder";
        return false;
    }
    return true;
}

bool Collect(SampleFiles& files, const SampleGameOptions& options, std::string& error, std::vector<std::string>& notes) {
    if (!SampleFont(16)) {
        error = "no font face can be opened (scripts/setup-deps installs the Japanese gothic)";
        return false;
    }
    std::vector<SampleModule> modules;
    std::vector<SampleLayout> layouts = SampleLayouts();
    if (!AddInterface(files, modules, error) || !AddPlayScreens(files, modules, layouts, error) ||
        !AddPictures(files, error))
        return false;
    AddDataTables(files, modules, layouts);
    AddBitmapFonts(files);
    AddSystemSounds(files);
    AddSystemVoices(files);
    AddTestSounds(files);
    AddStoryArt(files);
    AddStorySounds(files);
    if (!AddTitleMusic(files) || !AddStoryMusic(files) || !AddStoryAmbience(files)) {
        error = "the Vorbis encoder refused the music";
        return false;
    }
    if (!AddScripts(files, options.scripts, error)) return false;
    std::string note;
    const bool movie = AddOpeningMovie(files, options.ffmpeg, note);
    if (!movie) notes.push_back(note);
    if (movie && !AddStoryMovie(files, options.ffmpeg, note)) notes.push_back(note);
    files.AddText("system/sysconf.ini", SystemConfig(options, movie), SamplePlace::Loose);
    files.AddText("setting.ini", DeveloperSettings(options), SamplePlace::Loose);

    std::vector<qtest::PackEntrySpec> entries;
    for (const auto& [path, file] : files.All())
        if (file.place == SamplePlace::Packed) entries.push_back({path, {file.bytes.begin(), file.bytes.end()}, 0});
    const std::vector<unsigned char> pack = qtest::BuildPack(entries, qtest::PackOptions{true, false, nullptr});
    files.Add(kSamplePack, std::vector<uint8_t>(pack.begin(), pack.end()), SamplePlace::Loose);
    return true;
}

} // namespace

std::string SampleVersion(const SampleGameOptions& options) {
    uint64_t h = 0xCBF29CE484222325ull;
    Digest(h, qtest::ReadBytes("/proc/self/exe"));
    std::vector<fs::path> sources;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(options.scripts, ec)) sources.push_back(entry.path());
    std::sort(sources.begin(), sources.end());
    for (const fs::path& p : sources) {
        const std::string name = p.filename().string();
        Digest(h, std::vector<unsigned char>(name.begin(), name.end()));
        Digest(h, qtest::ReadBytes(p));
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

bool WriteSampleGame(const fs::path& folder, const SampleGameOptions& options, std::string& error,
                     std::vector<std::string>* notes) {
    std::vector<fs::path> old;
    if (!CheckFolder(folder, options, old, error)) return false;
    SampleFiles files;
    std::vector<std::string> said;
    if (!Collect(files, options, error, said)) return false;
    // Only now that everything is made does the old sample go.
    std::error_code ec;
    for (const fs::path& p : old) {
        fs::remove_all(p, ec);
        if (ec) {
            error = "cannot remove " + p.string() + ": " + ec.message();
            return false;
        }
    }
    fs::create_directories(folder, ec);
    // The version goes in first, unfinished, so that an interrupted run is
    // written anew next time rather than refused.
    if (!qtest::WriteText(folder / kSampleVersionFile, "unfinished\n")) {
        error = "cannot write into " + folder.string();
        return false;
    }
    for (const auto& [path, file] : files.All()) {
        if (file.place != SamplePlace::Loose) continue;
        const fs::path target = folder / fs::u8path(path);
        fs::create_directories(target.parent_path(), ec);
        if (!qtest::WriteBytes(target, {file.bytes.begin(), file.bytes.end()})) {
            error = "cannot write " + target.string();
            return false;
        }
    }
    if (!qtest::WriteText(folder / kSampleVersionFile, SampleVersion(options) + "\n")) {
        error = "cannot write " + (folder / kSampleVersionFile).string();
        return false;
    }
    if (notes) *notes = said;
    return true;
}

} // namespace qtools
