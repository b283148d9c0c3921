#include "support/LogCapture.h"

#include "base/GxStringUtil.h"

namespace qtest {

namespace {
LogCapture* g_Live = nullptr;
}

LogCapture::LogCapture() {
    GxResetErrorCount();
    GxSetDebugListener(this);
    g_Live = this;
}

LogCapture::~LogCapture() {
    GxSetDebugListener(nullptr);
    if (g_Live == this) g_Live = nullptr;
}

void LogCapture::ListenAgain() {
    if (g_Live) GxSetDebugListener(g_Live);
}

void LogCapture::Output(const GxChar* line, int) { lines_.push_back(GxToUtf8(line)); }

std::string LogCapture::Text() const {
    std::string all;
    for (const auto& l : lines_) all += l;
    return all;
}

bool LogCapture::Contains(const std::string& piece) const {
    for (const auto& l : lines_)
        if (l.find(piece) != std::string::npos) return true;
    return false;
}

} // namespace qtest
