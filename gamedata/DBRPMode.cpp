#include "gamedata/DBRPMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBRPModeRecord::ID>(u"ID"),
    GxDBCol<&DBRPModeRecord::Group>(u"Group"),
    GxDBCol<&DBRPModeRecord::Thumbnail>(u"Thumbnail"),
    GxDBCol<&DBRPModeRecord::Label>(u"Label"),
    GxDBCol<&DBRPModeRecord::Help>(u"Help"),
};

} // namespace

DBRPMode::DBRPMode() : GxDBTable(u"DBRPMode", kColumns, -1) {}

DBRPMode g_DBRPMode;
