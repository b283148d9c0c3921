#include "support/LogCapture.h"

#include "base/GxStringUtil.h"

namespace qtest {

LogCapture::LogCapture() {
    GxResetErrorCount();
    GxSetDebugListener(this);
}

LogCapture::~LogCapture() { GxSetDebugListener(nullptr); }

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
