#include "gamedata/GxNoticeParam.h"

#include "gamedata/GxStoredFields.h"

namespace {
template <class Self, class F>
void Fields(Self& s, F&& f) {
    f("m_Text", s.m_Text);
    f("m_IconName", s.m_IconName);
    f("m_IconAlign", s.m_IconAlign);
    f("m_ShowTime", s.m_ShowTime);
    f("m_UISoundID", s.m_UISoundID);
    f("m_NoticeID", s.m_NoticeID);
    f("m_TextColor", s.m_TextColor);
}
} // namespace

bool GxNoticeParam::Write(GxContentWriterBase& w) const { return GxWriteFields(w, [&](auto&& f) { Fields(*this, f); }); }
bool GxNoticeParam::Read(GxContentReaderBase& r) { return GxReadFields(r, [&](auto&& f) { Fields(*this, f); }); }
