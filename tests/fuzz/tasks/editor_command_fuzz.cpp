// What the game does to open a script line in an outside editor, over any
// desktop entry and any command template: the editor taken from the entry's
// Exec line, the arguments that open the script at the line in it, the
// developer's template expanded, each command line split as it is started.
// Nothing is started. Whatever the entry says, the script's path reaches the
// editor as one whole argument.
//
// Input: bytes 0-3 the line (little-endian); bytes 4-7 the length n of the
// desktop entry that follows; then the template, and after a NUL byte the
// script's path (without one, a path with a blank and Japanese in it).
#include "base/GxStringUtil.h"
#include "platform/system/process_launch.h"
#include "tasks/GxTextEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";
std::string g_Entry;

void RemoveDir() {
    std::remove(g_Entry.c_str());
    rmdir(g_Dir);
}

u32 LE32(const uint8_t* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        if (!mkdtemp(g_Dir)) return false;
        g_Entry = std::string(g_Dir) + "/editor.desktop";
        std::atexit(RemoveDir);
        return true;
    }();
    if (!ready || size < 8 || size > (1u << 16)) return 0;
    const int line = int(LE32(data));
    const size_t n = std::min<size_t>(LE32(data + 4), size - 8);
    FILE* f = std::fopen(g_Entry.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 8, 1, n, f);
    std::fclose(f);
    const char* rest = reinterpret_cast<const char*>(data + 8 + n);
    const size_t restSize = size - 8 - n;
    const char* nul = static_cast<const char*>(std::memchr(rest, 0, restSize));
    const std::string commandTemplate(rest, nul ? nul : rest + restSize);
    const GxString path =
        nul ? GxFromUtf8(std::string(nul + 1, rest + restSize)) : GxString(u"/home/a b/ゲーム/scripts/メイン.txt");

    const GxString editor = GxCommandLineProgram(GxFromUtf8(psys::desktop_entry_exec(g_Entry)));
    const std::vector<std::string> args =
        psys::split_command_line(GxToUtf8(BuildKnownEditorCommand(path, line, GxGetFileName(editor))));
    // A path the quotes around it can hold comes through whole.
    if (path.find(u'"') == GxString::npos &&
        std::find(args.begin(), args.end(), GxToUtf8(path)) == args.end())
        __builtin_trap();
    psys::split_command_line(GxToUtf8(ExpandEditorCommandTemplate(GxFromUtf8(commandTemplate), path, line)));
    return 0;
}
