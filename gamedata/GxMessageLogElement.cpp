#include "gamedata/GxMessageLogElement.h"

#include "gamedata/GxStoredFields.h"

namespace {
template <class Self, class F>
void Fields(Self& s, F&& f) {
    f("m_Name", s.m_Name);
    f("m_Message", s.m_Message);
    f("m_IgnoreKinsoku", s.m_IgnoreKinsoku);
    f("m_DisenableAutoNewline", s.m_DisenableAutoNewline);
    f("m_ShowNameByText", s.m_ShowNameByText);
    for (int i = 0; i < GxMessageLogElement::kVoiceCount; ++i) {
        f("m_VoiceFileName", s.m_VoiceFileName[i]);
        f("m_VoiceCharID", s.m_VoiceCharID[i]);
    }
}
} // namespace

bool GxMessageLogElement::Write(GxContentWriterBase& w) const {
    return GxWriteFields(w, [&](auto&& f) { Fields(*this, f); });
}
bool GxMessageLogElement::Read(GxContentReaderBase& r) { return GxReadFields(r, [&](auto&& f) { Fields(*this, f); }); }
