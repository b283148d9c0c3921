#pragma once
// Collects the error, warning and debug lines logged while it lives, and the
// error count since it was made. Not for use from two tests at once.
#include "base/GxLog.h"

#include <string>
#include <vector>

namespace qtest {

class LogCapture final : public GxDebugListenerBase {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void Output(const GxChar* line, int kind) override;
    // The lines as UTF-8, in order.
    const std::vector<std::string>& Lines() const { return lines_; }
    // All lines joined, for messages of failed expectations.
    std::string Text() const;
    bool Contains(const std::string& piece) const;
    void Clear() { lines_.clear(); }
    // Listens again with the capture that lives, if one does: a fixture's
    // process reset forgets the listener that a capture made before it
    // installed.
    static void ListenAgain();

private:
    std::vector<std::string> lines_;
};

} // namespace qtest
