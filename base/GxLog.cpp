#include "base/GxLog.h"

#include "base/GxMutex.h"
#include "base/GxStringUtil.h"
#include "platform/system/file_append.h"
#include "platform/system/file_system.h"
#include "platform/window/message_box.h"

#include <vector>

namespace {

// The three log files, by the writer that serves them.
enum LogFile { kErrorFile = 0, kDebugFile = 1, kDeviceFile = 2, kLogFileCount = 3 };

// How much start-up may keep in memory before its log folder is known.
constexpr size_t kHeldUnitsMax = 256 * 1024;

struct HeldLine {
    LogFile file;
    GxString text;
};

struct LogState {
    GxMutex mutex;
    GxString paths[kLogFileCount];
    // Set once standard error has heard that a log cannot be written; a new
    // path may be writable again.
    bool warned[kLogFileCount] = {};
    int errorCount = 0;
    GxDebugListenerBase* listener = nullptr;
    bool skipSlight = false;
    bool holding = false;
    std::vector<HeldLine> held;
    size_t heldUnits = 0;
    int heldDropped = 0;
};

// Never destroyed: threads may still log while static objects go away at exit.
LogState& State() {
    static LogState* s = new LogState;
    return *s;
}

// UTF-16LE, LF written as CR LF. A byte of a folder name that is not UTF-8
// (kept as an unpaired surrogate) is written as U+FFFD, so that the file stays
// valid UTF-16 for every reader.
std::string Utf16LeBytes(GxStringView text) {
    std::string bytes;
    bytes.reserve(text.size() * 2 + 4);
    auto put = [&bytes](GxChar c) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const GxChar c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            put(c);
            put(text[++i]);
            continue;
        }
        if (c == u'\n') put(u'\r');
        put(c >= 0xD800 && c < 0xE000 ? u'\uFFFD' : c);
    }
    return bytes;
}

// Appends to the file with the byte-order mark first when the file is new or
// empty. A line that cannot be written is lost, and standard error says so
// once for each path.
void AppendToFile(LogState& s, LogFile file, GxStringView text) {
    const GxString& path = s.paths[file];
    if (path.empty()) return;
    const std::string_view byteOrderMark("\xFF\xFE", 2);
    const std::string error = psys::append_to_file(GxToNativePath(path), byteOrderMark, Utf16LeBytes(text));
    if (error.empty() || s.warned[file]) return;
    s.warned[file] = true;
    psys::write_to_standard_error("Quillon: the log \"" + GxToUtf8(path) + "\" cannot be written (" + error +
                                  "); its lines are lost.\n");
}

// Before the log folder is known a line is kept for later, as long as there
// is room.
void Emit(LogState& s, LogFile file, GxStringView text) {
    if (!s.holding) {
        AppendToFile(s, file, text);
        return;
    }
    if (s.heldUnits + text.size() > kHeldUnitsMax) {
        ++s.heldDropped;
        return;
    }
    s.heldUnits += text.size();
    s.held.push_back({file, GxString(text)});
}

void Notify(LogState& s, GxStringView text, int kind) {
    if (!s.listener) return;
    GxString cut(text.substr(0, kGxListenerLineMax));
    s.listener->Output(cut.c_str(), kind);
}

void SetPath(LogFile file, GxStringView path) {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    s.paths[file] = GxString(path);
    s.warned[file] = false;
}

void DeleteFile(LogFile file) {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    if (!s.paths[file].empty()) psys::remove_file(GxToNativePath(s.paths[file]));
}

} // namespace

GxMutex& GxGetLogMutex() { return State().mutex; }

void GxSetErrorLogPath(GxStringView path) { SetPath(kErrorFile, path); }
void GxSetDebugLogPath(GxStringView path) { SetPath(kDebugFile, path); }
void GxSetDeviceLogPath(GxStringView path) { SetPath(kDeviceFile, path); }
void GxResetErrorCount() {
    GxMutexScopedLock lock(State().mutex);
    State().errorCount = 0;
}
int GxGetErrorCount() {
    GxMutexScopedLock lock(State().mutex);
    return State().errorCount;
}
void GxSetDebugListener(GxDebugListenerBase* listener) {
    GxMutexScopedLock lock(State().mutex);
    State().listener = listener;
}
void GxSetSkipSlightError(bool skip) {
    GxMutexScopedLock lock(State().mutex);
    State().skipSlight = skip;
}
bool GxGetSkipSlightError() {
    GxMutexScopedLock lock(State().mutex);
    return State().skipSlight;
}
void GxResetLogs() {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    for (GxString& path : s.paths) path.clear();
    for (bool& w : s.warned) w = false;
    s.errorCount = 0;
    s.listener = nullptr;
    s.skipSlight = false;
    s.holding = false;
    s.held.clear();
    s.held.shrink_to_fit();
    s.heldUnits = 0;
    s.heldDropped = 0;
}
void GxDeleteErrorLog() { DeleteFile(kErrorFile); }
void GxDeleteDebugLog() { DeleteFile(kDebugFile); }
void GxDeleteDeviceLog() { DeleteFile(kDeviceFile); }

void GxHoldLogLines() {
    GxMutexScopedLock lock(State().mutex);
    State().holding = true;
}

void GxReleaseHeldLogLines() {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    if (!s.holding) return;
    s.holding = false;
    for (const HeldLine& line : s.held) {
        if (!s.paths[line.file].empty()) {
            AppendToFile(s, line.file, line.text);
        } else {
            psys::write_to_standard_error(GxToUtf8(line.text).c_str());
        }
    }
    if (s.heldDropped > 0) {
        const GxString note =
            GxFormat(u"Warning/GxLog %d lines from before the log folder was known were dropped\n", s.heldDropped);
        if (!s.paths[kErrorFile].empty()) AppendToFile(s, kErrorFile, note);
        else psys::write_to_standard_error(GxToUtf8(note).c_str());
    }
    s.held.clear();
    s.held.shrink_to_fit();
    s.heldUnits = 0;
    s.heldDropped = 0;
}

void GxWriteLogText(GxLogKind kind, GxStringView text) {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    switch (kind) {
    case GxLogKind::Warning:
        if (s.skipSlight) return;
        ++s.errorCount;
        Emit(s, kErrorFile, text);
        Notify(s, text, 0);
        break;
    case GxLogKind::Error:
        ++s.errorCount;
        Emit(s, kErrorFile, text);
        Notify(s, text, 1);
        break;
    case GxLogKind::Debug:
        Emit(s, kDebugFile, text);
        Notify(s, text, 2);
        break;
    case GxLogKind::Device:
        Emit(s, kDeviceFile, text);
        break;
    }
}

void GxWriteErrorLogTextA(GxStringView text) {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    ++s.errorCount;
    // The narrow line is cut in bytes of the ANSI code page, before conversion.
    GxString line(text);
    if (text.size() * 2 > kGxListenerLineMax) {
        GxStringA narrow = GxToAnsi(text);
        if (narrow.size() > kGxListenerLineMax) {
            narrow.resize(kGxListenerLineMax);
            line = GxFromAnsi(narrow);
        }
    }
    Emit(s, kErrorFile, line);
    if (s.listener) s.listener->Output(line.c_str(), 1);
}

int GxShowMessageBox(GxStringView caption, GxStringView text) {
    return pwin::show_message_box(GxToUtf8(caption), GxToUtf8(text.substr(0, kGxMessageBoxTextMax)));
}
