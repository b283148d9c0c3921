// Any bytes as the file of every data table: each loader keeps its IDs
// inside its table and its name map consistent, whatever the lines say.
#include "fuzz/io/memory_file.h"
#include "gamedata/GxDataTables.h"

#include <cstdlib>
#include <memory>

namespace {

template <class Table>
void LoadInto(const GxString& path) {
    auto table = std::make_unique<Table>();
    table->Load(path.c_str());
    const s32 maxID = table->GetMaxID();
    if (maxID < -1 || maxID >= table->GetRecordMax()) std::abort();
    for (s32 id = 0; id <= maxID; ++id)
        if (!table->GetRecord(id)) std::abort();
    table->FindNameMap(u"", 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    LoadInto<DBKeyMap>(file.Path());
    LoadInto<DBAvgChar>(file.Path());
    LoadInto<DBBGMMode>(file.Path());
    LoadInto<DBCGMode>(file.Path());
    LoadInto<DBRPMode>(file.Path());
    LoadInto<DBUIModule>(file.Path());
    LoadInto<DBUILayout>(file.Path());
    LoadInto<DBVoiceVolume>(file.Path());
    LoadInto<DBSystemVoice>(file.Path());
    return 0;
}
