// Any bytes as "permanent.dat" (binary or text form), read over a script
// system whose bundle has permanent variables of every kind (the instance's
// EXTERN ones, the main worker's GLOBAL ones, two scripts' STATIC ones), as
// the game reads the file at start-up: no count is believed beyond the bytes
// that could hold it, what was read answers queries, and records of scripts
// the bundle lacks are kept. What was read is then written in both forms, and
// each is read into a fresh script system of the same bundle and written
// again: the bytes must be the same, or a player's permanent data would
// change with every start of the game.
#include "fuzz/io/memory_file.h"
#include "fuzz/scratch_folder.h"
#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tools/builders/MoaScriptBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The bundle: "main.txt" and "ending.txt" (the seeds also hold records of
// "prologue.txt", which it lacks), with permanent variables beside game ones.
const char16_t* const kScripts[][2] = {
    {u"main.txt", u"EXTERN PERMAN $cleared = 0\n"
                  u"GLOBAL PERMAN $flags[8]\n"
                  u"GLOBAL PERMAN $name = \"\"\n"
                  u"GLOBAL INGAME $chapter = 1\n"
                  u"STATIC PERMAN $visits = 0\n"
                  u"STATIC INGAME $scene = 0\n"
                  u"*start\n"},
    {u"ending.txt", u"STATIC PERMAN $seen[4]\n"
                    u"STATIC PERMAN $ratio = 0.5\n"
                    u"*ending\n"},
};

const char* const kFiles[] = {"first.bin", "first.txt", "again.bin", "again.txt"};

std::string Native(const char* name) { return qfuzz::ScratchPath(name); }
GxString PathOf(const char* name) {
    const std::string p = Native(name);
    return GxString(p.begin(), p.end());
}

bool Ready() { return !qfuzz::ScratchFolder().empty(); }

// A script system made afresh with the bundle loaded, as at start-up; gone
// with the object.
class Bundle {
public:
    Bundle() {
        if (!GxMoaStartup(nullptr)) std::abort();
        qtest::MoaScriptBuilder builder;
        for (const auto& [name, text] : kScripts)
            if (!builder.AddScript(g_pMoa(), name, text)) std::abort();
        g_pMoa()->InitExternVariables();
        g_pMoaMainWorker()->InitGlobalVariables();
    }
    ~Bundle() { GxMoaShutdown(); }
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;
};

std::vector<unsigned char> Bytes(const char* name) {
    std::ifstream f(Native(name), std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The file written before read into a fresh script system and written again
// in the same form: the same bytes, or the fuzzer stops.
void ReadAndWriteAgain(const char* written, const char* again, bool binary) {
    Bundle bundle;
    GxUserDataPerman perman;
    if (!perman.Load(PathOf(written)) || !perman.Save(PathOf(again), binary) || Bytes(written) != Bytes(again)) {
        std::fprintf(stderr, "permanent data written in %s form changed when read and written again\n",
                     binary ? "binary" : "text");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20 || !Ready()) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    {
        Bundle bundle;
        GxUserDataPerman perman;
        perman.Load(file.Path());
        for (const auto& [key, words] : perman.m_ReadedMessageFlags) perman.IsReadedMessage(key, s32(words.size() * 32));
        for (const auto& [key, words] : perman.m_SelectedMenuFlags) perman.IsSelectedMenu(key, 1);
        // Whatever was read can be written.
        if (!perman.Save(PathOf(kFiles[0]), true) || !perman.Save(PathOf(kFiles[1]), false)) std::abort();
    }
    ReadAndWriteAgain(kFiles[0], kFiles[2], true);
    ReadAndWriteAgain(kFiles[1], kFiles[3], false);
    return 0;
}
