// The script state of a save game over any bytes: the instance's and the
// worker's variables of the in-game class, then the worker's frames and
// stacks, read as the save-game reader does; then one step of what was read.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "script/GxMoa.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaWorker.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1u << 20) return 0;
    std::unique_ptr<GxContentReaderBase> reader;
    if (data[0] == 'T')
        reader = std::make_unique<GxContentTextReader>(data, u32(size), false);
    else
        reader = std::make_unique<GxContentBinaryReader>(data, u32(size), false);
    u32 version = 0;
    if (!reader->ReadHeader(data[0] == 'T' ? "TGD" : "BGD", &version)) return 0;

    // A small bundle for the state to land in: one script with one line.
    GxMoa moa;
    auto script = std::make_unique<GxMoaScript>(&moa);
    script->m_ScriptName = u"main";
    GxMoaScriptStep line;
    line.m_Tokens.emplace_back(u16(kGxTokVar));
    line.m_Tokens.back().SetStr(u"x");
    script->m_Lines.push_back(line);
    moa.AddScript(std::move(script));
    GxMoaWorker worker(&moa);
    worker.InitGlobalVariables();

    moa.ReplaceVariables(reader.get(), kGxStorageInGame);
    worker.ReplaceVariables(reader.get(), kGxStorageInGame);
    worker.Read(reader.get());
    GxMoaFunctionBinder binder;
    for (int i = 0; i < 20 && worker.Step(&binder); ++i) {
    }
    return 0;
}
