#include "gamedata/DBVoiceVolume.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBVoiceVolumeRecord::ID>(u"ID"),
    GxDBCol<&DBVoiceVolumeRecord::PanelVisible>(u"PanelVisible"),
    GxDBCol<&DBVoiceVolumeRecord::PanelOrder>(u"PanelOrder"),
    GxDBCol<&DBVoiceVolumeRecord::FacePanelFileName>(u"FacePanelFileName"),
    GxDBCol<&DBVoiceVolumeRecord::SoundTestFileName>(u"SoundTestFileName"),
    GxDBCol<&DBVoiceVolumeRecord::SystemVoiceExist>(u"SystemVoiceExist"),
    GxDBCol<&DBVoiceVolumeRecord::SystemVoiceEnabled>(u"SystemVoiceEnabled"),
    GxDBCol<&DBVoiceVolumeRecord::Comment>(u"Comment"),
};

} // namespace

DBVoiceVolume::DBVoiceVolume() : GxDBTable(u"DBVoiceVolume", kColumns, -1) {}

DBVoiceVolume g_DBVoiceVolume;
