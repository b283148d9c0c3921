#include "core/task/GxSystemConfig.h"

#include "core/base/GxFormat.h"
#include "core/base/GxLog.h"

namespace {

constexpr const GxChar* kFolderNames[kGxFolderCount] = {
    u"scripts/", u"cg/", u"cg/bg/", u"cg/ev/", u"cg/name/", u"cg/stand/", u"cg/ui/", u"cg/tr/", u"cg/extras/",
    u"data/", u"gnc/", u"gnc/gis/", u"uigis/", u"fonts/", u"models/", u"models/textures/", u"models/extras/",
    u"models/shaders/", u"bgms/", u"sounds/", u"sounds/sys/", u"sounds/se/", u"sounds/bgvs/", u"sounds/test/",
    u"voices/", u"voices/battle/", u"voices/sys/", u"movies/",
};

constexpr const GxChar* kSystemSounds[] = {
    u"push.wav", u"cancel.wav", u"open.wav", u"close.wav", u"drag.wav",
    u"drop.wav", u"decide.wav", u"notice0.wav", u"notice1.wav", u"direct.wav",
};

} // namespace

GxSystemConfig::GxSystemConfig() {
    m_NameBrackets = u"「（";
    m_LineStartForbidden = u"!),.:;?]}°’”‰′″℃、。々〉》」』】〕゛゜ゝゞ・ヽヾ！），．：；？］｝｡｣､･ﾞﾟ";
    m_LineEndForbidden = u"‘“〈《「『【〔（［｛｢";
    for (int i = 0; i < kGxFolderCount; ++i) m_FolderNames[i] = kFolderNames[i];
    int n = 0;
    for (const GxChar* file : kSystemSounds) m_SystemSoundFiles[n++] = m_FolderNames[kGxFolderSoundsSys] + file;
    m_AppTitle = u"Quillon";
    m_AppSaveDir = u"Quillon_SAVE";
    m_QuickSaveFileName = u"gamedata_quick.gd";
    m_FileCGError = u"cg/error.png";
    m_FileCGBGDefault = u"cg/bg/黒.png";
}
