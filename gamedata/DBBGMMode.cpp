#include "gamedata/DBBGMMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBBGMModeRecord::ID>(u"ID"),
    GxDBCol<&DBBGMModeRecord::Name>(u"Name"),
    GxDBCol<&DBBGMModeRecord::FileName>(u"FileName"),
    GxDBCol<&DBBGMModeRecord::LoopPosTime>(u"LoopPosTime"),
    GxDBCol<&DBBGMModeRecord::ButtonIndex>(u"ButtonIndex"),
};

} // namespace

DBBGMMode::DBBGMMode() : GxDBTable(u"DBBGMMode", kColumns, 1) {}

DBBGMMode g_DBBGMMode;
