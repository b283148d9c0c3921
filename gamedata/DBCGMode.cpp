#include "gamedata/DBCGMode.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBCGModeRecord::ID>(u"ID"),
    GxDBCol<&DBCGModeRecord::Group>(u"Group"),
    GxDBCol<&DBCGModeRecord::Thumbnail>(u"Thumbnail"),
    GxDBCol<&DBCGModeRecord::FileName>(u"FileName"),
    GxDBCol<&DBCGModeRecord::Count>(u"Count"),
};

} // namespace

DBCGMode::DBCGMode() : GxDBTable(u"DBCGMode", kColumns, -1) {}

DBCGMode g_DBCGMode;
DBCGMode g_DBCGModeView;
