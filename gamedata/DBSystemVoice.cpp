#include "gamedata/DBSystemVoice.h"

namespace {

constexpr GxDBColumn kColumns[] = {
    GxDBCol<&DBSystemVoiceRecord::ID>(u"ID"),
    GxDBCol<&DBSystemVoiceRecord::Comment>(u"Comment"),
    GxDBCol<&DBSystemVoiceRecord::VoicePath>(u"VoicePath"),
    GxDBCol<&DBSystemVoiceRecord::VoiceFileName>(u"VoiceFileName", 1),
};

} // namespace

DBSystemVoice::DBSystemVoice() : GxDBTable(u"DBSystemVoice", kColumns, -1) {}

DBSystemVoice g_DBSystemVoice;
