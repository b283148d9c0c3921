#include "base/GxLog.h"

#include "base/GxMutex.h"
#include "base/GxStringUtil.h"
#include "platform/window/message_box.h"

#include <cstdio>
#include <unistd.h>

namespace {

struct LogState {
    GxMutex mutex;
    GxString errorPath, debugPath, devicePath;
    int errorCount = 0;
    GxDebugListenerBase* listener = nullptr;
    bool skipSlight = false;
};

// Never destroyed: threads may still log while static objects go away at exit.
LogState& State() {
    static LogState* s = new LogState;
    return *s;
}

// Appends UTF-16LE text, LF written as CR LF, with the byte-order mark first
// when the file is new or empty. A file that cannot be opened loses the line.
void AppendToFile(const GxString& path, GxStringView text) {
    if (path.empty()) return;
    FILE* f = std::fopen(GxToNativePath(path).c_str(), "ab");
    if (!f) return;
    std::string bytes;
    bytes.reserve(text.size() * 2 + 4);
    if (std::fseek(f, 0, SEEK_END) == 0 && std::ftell(f) == 0) {
        bytes.push_back(char(0xFF));
        bytes.push_back(char(0xFE));
    }
    for (GxChar c : text) {
        if (c == u'\n') {
            bytes.push_back('\r');
            bytes.push_back('\0');
        }
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void Notify(LogState& s, GxStringView text, int kind) {
    if (!s.listener) return;
    GxString cut(text.substr(0, kGxListenerLineMax));
    s.listener->Output(cut.c_str(), kind);
}

void DeleteFile(const GxString& path) {
    if (!path.empty()) ::unlink(GxToNativePath(path).c_str());
}

} // namespace

GxMutex& GxGetLogMutex() { return State().mutex; }

void GxSetErrorLogPath(GxStringView path) {
    GxMutexScopedLock lock(State().mutex);
    State().errorPath = GxString(path);
}
void GxSetDebugLogPath(GxStringView path) {
    GxMutexScopedLock lock(State().mutex);
    State().debugPath = GxString(path);
}
void GxSetDeviceLogPath(GxStringView path) {
    GxMutexScopedLock lock(State().mutex);
    State().devicePath = GxString(path);
}
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
void GxDeleteErrorLog() {
    GxMutexScopedLock lock(State().mutex);
    DeleteFile(State().errorPath);
}
void GxDeleteDebugLog() {
    GxMutexScopedLock lock(State().mutex);
    DeleteFile(State().debugPath);
}
void GxDeleteDeviceLog() {
    GxMutexScopedLock lock(State().mutex);
    DeleteFile(State().devicePath);
}

void GxWriteLogText(GxLogKind kind, GxStringView text) {
    LogState& s = State();
    GxMutexScopedLock lock(s.mutex);
    switch (kind) {
    case GxLogKind::Warning:
        if (s.skipSlight) return;
        ++s.errorCount;
        AppendToFile(s.errorPath, text);
        Notify(s, text, 0);
        break;
    case GxLogKind::Error:
        ++s.errorCount;
        AppendToFile(s.errorPath, text);
        Notify(s, text, 1);
        break;
    case GxLogKind::Debug:
        AppendToFile(s.debugPath, text);
        Notify(s, text, 2);
        break;
    case GxLogKind::Device:
        AppendToFile(s.devicePath, text);
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
    AppendToFile(s.errorPath, line);
    if (s.listener) s.listener->Output(line.c_str(), 1);
}

int GxShowMessageBox(GxStringView caption, GxStringView text) {
    return pwin::show_message_box(GxToUtf8(caption), GxToUtf8(text.substr(0, kGxMessageBoxTextMax)));
}
