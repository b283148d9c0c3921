#pragma once
// The debug console: the log listener that keeps the last 20 lines written to
// "error.log" and "debug.log", for the on-screen status overlay.
#include "base/GxLog.h"
#include "base/GxTypes.h"

#include <deque>
#include <vector>

class GxDebugConsoleOutputEx : public GxDebugListenerBase {
public:
    static constexpr size_t kMaxLines = 20;

    // The process's console; it outlives every thread that logs.
    static GxDebugConsoleOutputEx* GetInstance();

    GxDebugConsoleOutputEx() = default;
    virtual ~GxDebugConsoleOutputEx() = default;

    // Appends the line (the kind is not kept); the oldest goes beyond 20.
    void Output(const GxChar* line, int kind) override;
    // The lines, oldest first. Other threads append while the main thread
    // reads, so the copy is made under the log mutex they append under.
    std::vector<GxString> CopyLines() const;
    void Clear();

private:
    std::deque<GxString> m_Lines;
};
