// Any bytes as the user's "user-dirs.dirs", read where the game looks for
// the documents folder its save folder goes into: whatever the file says,
// the answer is none, or an absolute path of a folder that exists, and it
// names that folder whole (a path the file layer would cut short is no
// answer). HOME and the configuration folder lie in a scratch folder.
#include "base/GxStringUtil.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";

void RemoveDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_Dir, ec);
}

// The scratch home with its configuration folder, made once.
std::string UserDirsFile() {
    static const std::string file = []() -> std::string {
        if (!mkdtemp(g_Dir)) return {};
        std::atexit(RemoveDir);
        const std::string home = std::string(g_Dir) + "/home";
        std::error_code ec;
        std::filesystem::create_directories(home + "/.config", ec);
        std::filesystem::create_directories(home + "/文書", ec);
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        return ec ? std::string() : home + "/.config/user-dirs.dirs";
    }();
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string file = UserDirsFile();
    if (file.empty()) return 0;
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    const GxString documents = GxGetMyDocumentsPath();
    if (documents.empty()) return 0;
    if (documents[0] != u'/' || documents.find(u'\0') != GxString::npos || !GxIsDirectory(documents))
        __builtin_trap();
    return 0;
}
