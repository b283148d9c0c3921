#include "gamedata/DBAvgChar.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBAvgCharRecord::ID>(u"ID"),
    GxDBCol<&DBAvgCharRecord::CharName>(u"CharName"),
    GxDBCol<&DBAvgCharRecord::SubLayerNum>(u"SubLayerNum"),
    GxDBCol<&DBAvgCharRecord::StandPath>(u"StandPath"),
    GxDBCol<&DBAvgCharRecord::NCProjFileName>(u"NCProjFileName"),
    GxDBCol<&DBAvgCharRecord::VoicePath>(u"VoicePath"),
    GxDBCol<&DBAvgCharRecord::VoiceVolumeID>(u"VoiceVolumeID"),
    GxDBCol<&DBAvgCharRecord::Comment>(u"Comment"),
};

} // namespace

DBAvgChar::DBAvgChar() : GxDBTable(u"DBAvgChar", kColumns, -1) {}

DBAvgChar g_DBAvgChar;
