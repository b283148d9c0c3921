#include "gamedata/GxSoundParam.h"

#include "gamedata/GxStoredFields.h"

namespace {
template <class Self, class F>
void Fields(Self& s, F&& f) {
    f("m_FileName", s.m_FileName);
    f("m_Loop", s.m_Loop);
    f("m_StartSeekPosTime", s.m_StartSeekPosTime);
    f("m_LoopPosTime", s.m_LoopPosTime);
    f("m_FadeInTime", s.m_FadeInTime);
    f("m_CharID", s.m_CharID);
}
} // namespace

bool GxSoundParam::Write(GxContentWriterBase& w) const { return GxWriteFields(w, [&](auto&& f) { Fields(*this, f); }); }
bool GxSoundParam::Read(GxContentReaderBase& r) { return GxReadFields(r, [&](auto&& f) { Fields(*this, f); }); }
