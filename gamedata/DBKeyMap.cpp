#include "gamedata/DBKeyMap.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBKeyMapRecord::ID>(u"ID"),
    GxDBCol<&DBKeyMapRecord::Name>(u"Name"),
    GxDBCol<&DBKeyMapRecord::ShowName>(u"ShowName"),
    GxDBCol<&DBKeyMapRecord::Essential>(u"Essential"),
    GxDBCol<&DBKeyMapRecord::Group>(u"Group"),
    GxDBCol<&DBKeyMapRecord::NotChange>(u"NotChange"),
    GxDBCol<&DBKeyMapRecord::AllowDevice>(u"AllowDevice"),
    GxDBCol<&DBKeyMapRecord::KeyCodeStr>(u"KeyCodeStr"),
    GxDBCol<&DBKeyMapRecord::Help>(u"Help"),
};

} // namespace

DBKeyMap::DBKeyMap() : GxDBTable(u"DBKeyMap", kColumns, 1) {}

DBKeyMap g_DBKeyMap;
