#include "graphics/GxGraphicsConfig.h"

namespace {

const GxChar* const kScreenModeNames[kGxScreenModeNameCount] = {
    u"SCRMODE_WINDOW",        u"SCRMODE_WINDOWSIZE",    u"SCRMODE_FULLSCREEN",    u"SCRMODE_FULLSCREENFIXED",
    u"SCRMODE_FULL320X240",   u"SCRMODE_FULL640X480",   u"SCRMODE_FULL800X600",   u"SCRMODE_FULL1024X576",
    u"SCRMODE_FULL1024X768",  u"SCRMODE_FULL1280X720",  u"SCRMODE_FULL1280X800",  u"SCRMODE_FULL1280X960",
    u"SCRMODE_FULL1280X1024", u"SCRMODE_FULL1920X1080",
};

} // namespace

const GxChar* GxGetScreenModeName(u32 index) {
    return index < kGxScreenModeNameCount ? kScreenModeNames[index] : u"";
}
