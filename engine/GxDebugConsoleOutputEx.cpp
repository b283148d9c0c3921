#include "engine/GxDebugConsoleOutputEx.h"

#include "base/GxMutex.h"

GxDebugConsoleOutputEx* GxDebugConsoleOutputEx::GetInstance() {
    static GxDebugConsoleOutputEx* console = new GxDebugConsoleOutputEx;
    return console;
}

void GxDebugConsoleOutputEx::Output(const GxChar* line, int) {
    // The logs call with their mutex held; taking it again (it is recursive)
    // keeps a direct caller safe too.
    GxMutexScopedLock lock(GxGetLogMutex());
    m_Lines.emplace_back(line ? line : u"");
    if (m_Lines.size() > kMaxLines) m_Lines.pop_front();
}

std::vector<GxString> GxDebugConsoleOutputEx::CopyLines() const {
    GxMutexScopedLock lock(GxGetLogMutex());
    return std::vector<GxString>(m_Lines.begin(), m_Lines.end());
}

void GxDebugConsoleOutputEx::Clear() {
    GxMutexScopedLock lock(GxGetLogMutex());
    m_Lines.clear();
}
