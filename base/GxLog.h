#pragma once
// The three logs ("error.log", "debug.log", "device.log"), the error count, the
// debug listener and the message box. Log files are UTF-16LE with a byte-order
// mark and CR LF line ends; every line opens, appends and closes its file, so a
// written line survives a crash that follows it. Any thread may log.
#include "base/GxFormat.h"
#include "base/GxTypes.h"

class GxDebugListenerBase {
public:
    // kind: 0 warning, 1 error, 2 debug.
    virtual void Output(const GxChar* line, int kind) = 0;

protected:
    ~GxDebugListenerBase() = default;
};

enum class GxLogKind { Warning = 0, Error = 1, Debug = 2, Device = 3 };

void GxSetErrorLogPath(GxStringView path);
void GxSetDebugLogPath(GxStringView path);
void GxSetDeviceLogPath(GxStringView path);
void GxResetErrorCount();
int GxGetErrorCount();
void GxSetDebugListener(GxDebugListenerBase* listener);
void GxSetSkipSlightError(bool skip);
bool GxGetSkipSlightError();
// Forgets the paths, the error count, the listener, the skip flag and any
// held lines, as a new process starts.
void GxResetLogs();
void GxDeleteErrorLog();
void GxDeleteDebugLog();
void GxDeleteDeviceLog();
// Start-up reads its configuration and packs before it knows where the logs
// go. From GxHoldLogLines on, the lines of every log are kept in memory (up to
// a bound) instead of being written; GxReleaseHeldLogLines writes them in
// order to the logs whose paths are set by then, the rest to standard error,
// and ends the hold. Counting and the listener are not affected.
void GxHoldLogLines();
void GxReleaseHeldLogLines();
// The one mutex of the log state. The listener is called with it held, so a
// reader of what the listener collected takes it to see whole lines only.
class GxMutex;
GxMutex& GxGetLogMutex();

// Writes an already formatted line to the log of that kind, with its count and
// listener rules.
void GxWriteLogText(GxLogKind kind, GxStringView text);
// The narrow writer's rule: the text is cut to 1023 ANSI bytes before it is
// written anywhere.
void GxWriteErrorLogTextA(GxStringView text);

// The listener's line limit: longer lines reach the file whole but the
// listener cut to this many code units.
constexpr size_t kGxListenerLineMax = 1023;

template <class... A>
void GxWriteErrorLog(const GxChar* format, const A&... args) {
    GxWriteLogText(GxLogKind::Error, GxFormat(format, args...));
}
template <class... A>
void GxWriteWarningLog(const GxChar* format, const A&... args) {
    // Skip the formatting work when warnings are switched off.
    if (GxGetSkipSlightError()) return;
    GxWriteLogText(GxLogKind::Warning, GxFormat(format, args...));
}
template <class... A>
void GxWriteDebugLog(const GxChar* format, const A&... args) {
    GxWriteLogText(GxLogKind::Debug, GxFormat(format, args...));
}
template <class... A>
void GxWriteDeviceLog(const GxChar* format, const A&... args) {
    GxWriteLogText(GxLogKind::Device, GxFormat(format, args...));
}
// Narrow (ANSI code page) format and arguments.
template <class... A>
void GxWriteErrorLogA(const char* format, const A&... args) {
    GxWriteErrorLogTextA(GxFormatA(format, args...));
}

// The message box's text limit, as its buffer held it.
constexpr size_t kGxMessageBoxTextMax = 521;
int GxShowMessageBox(GxStringView caption, GxStringView text);

template <class... A>
int GxMessageBox(const GxChar* caption, const GxChar* format, const A&... args) {
    return GxShowMessageBox(caption ? GxStringView(caption) : GxStringView(), GxFormat(format, args...));
}
