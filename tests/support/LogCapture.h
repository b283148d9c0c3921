#pragma once
// Collects the log lines written while it lives (warnings included), and
// restores the log settings afterwards.
#include "core/base/GxLog.h"

#include <string>
#include <vector>

namespace qtest {

class LogCapture : public GxDebugListenerBase {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void Output(const GxChar* line, int kind) override;

    // Every line so far, in order.
    std::vector<std::u16string> lines;
    std::vector<int> kinds;
    void clear() { lines.clear(), kinds.clear(); }
    // Whether some line equals text exactly.
    bool has(const std::u16string& text) const;
    // The lines joined, for failure messages.
    std::string dump() const;

private:
    bool m_SkipBefore;
};

} // namespace qtest
