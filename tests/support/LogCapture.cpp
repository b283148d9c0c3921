#include "support/LogCapture.h"

#include "platform/system/codepage.h"

namespace qtest {

LogCapture::LogCapture() : m_SkipBefore(GxGetSkipSlightError()) {
    GxSetSkipSlightError(false);
    GxSetDebugListener(this);
}

LogCapture::~LogCapture() {
    GxSetDebugListener(nullptr);
    GxSetSkipSlightError(m_SkipBefore);
}

void LogCapture::Output(const GxChar* line, int kind) {
    lines.emplace_back(line);
    kinds.push_back(kind);
}

bool LogCapture::has(const std::u16string& text) const {
    for (const auto& l : lines)
        if (l == text) return true;
    return false;
}

std::string LogCapture::dump() const {
    std::string s;
    for (const auto& l : lines) s += psys::utf16_to_utf8(l);
    return s;
}

} // namespace qtest
