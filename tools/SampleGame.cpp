#include "tools/SampleGame.h"

#include "tools/builders/PackWriter.h"

#include <fstream>
#include <system_error>
#include <vector>

namespace qtools {
namespace {

bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

} // namespace

bool WriteSampleGame(const std::filesystem::path& folder, const SampleGameOptions& options, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder / "system", ec);
    if (ec) {
        error = "cannot make " + (folder / "system").string() + ": " + ec.message();
        return false;
    }
    const std::string sysconf = "APP_TITLE=" + options.title + "\n" +
                                "APP_SAVEDIR=" + options.saveDir + "\n"
                                "SAVE_TO_MYDOCUMENTS=0\n"
                                "PACK_FILE_00=sample.gxp\n";
    // A UTF-8 byte-order mark: the title may hold more than ASCII.
    if (!WriteFile(folder / "system" / "sysconf.ini", "\xEF\xBB\xBF" + sysconf, error)) return false;
    const std::string setting = std::string("DebugModeFlag=") + (options.debugMode ? "1" : "0") + "\n" +
                                "DebugConsoleFlag=" + (options.debugConsole ? "1" : "0") + "\n" +
                                "SkipSlightError=1\n";
    if (!WriteFile(folder / "setting.ini", setting, error)) return false;

    const std::vector<unsigned char> pack =
        qtest::BuildPack({{"readme.txt", Bytes("Quillon sample game.\n")}}, qtest::PackOptions{true, false, nullptr});
    if (!WriteFile(folder / "sample.gxp", std::string(pack.begin(), pack.end()), error)) return false;
    return true;
}

} // namespace qtools
