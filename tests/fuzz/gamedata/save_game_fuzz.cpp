// Any bytes as a save game (binary or text form), read whole over a main
// scene of plain tasks: checked (which changes nothing), the header alone,
// then everything.
#include "fuzz/io/memory_file.h"
#include "gamedata/GxUserData.h"
#include "support/StandInMainScene.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    static qtest::StandInMainScene* core = new qtest::StandInMainScene();
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    GxUserData game(core);
    game.CheckGameData(file.Path());
    if (!game.m_MessageLog.empty() || !game.m_GameDataTitle.empty()) std::abort();
    GxGameDataHeader header;
    game.ReadGameDataHeader(file.Path(), &header);
    game.LoadGameData(file.Path(), true);
    if (game.m_SelectMenuItemList.size() != size_t(core->GetSystemConfig()->m_ChoiceCount) + 1) std::abort();
    if (game.m_MessageLog.size() > size_t(core->GetSystemConfig()->m_MessageLogLimit)) std::abort();
    return 0;
}
