#include "gamedata/GxSelectMenuItem.h"

#include "gamedata/GxStoredFields.h"

namespace {
template <class Self, class F>
void Fields(Self& s, F&& f) {
    f("m_Text", s.m_Text);
    f("m_Label", s.m_Label);
    f("m_Enable", s.m_Enable);
    f("m_Visible", s.m_Visible);
    f("m_BeforeSelected", s.m_BeforeSelected);
    f("m_UseGosub", s.m_UseGosub);
}
} // namespace

bool GxSelectMenuItem::Write(GxContentWriterBase& w) const { return GxWriteFields(w, [&](auto&& f) { Fields(*this, f); }); }
bool GxSelectMenuItem::Read(GxContentReaderBase& r) { return GxReadFields(r, [&](auto&& f) { Fields(*this, f); }); }
