#include "script/GxMoaEx.h"

#include "base/GxLog.h"

void GxMoaEx::MessageText(const GxString& text) { GxWriteDebugLog(u"%s\n", text); }

void GxMoaEx::WarningText(const GxString& scriptName, int line, const GxString& text) {
    GxWriteWarningLog(u"warn:[Script=\"%s\"/line=%I64d] %s\n", scriptName, s64(line) + 1, text);
}

void GxMoaEx::ErrorText(const GxString& scriptName, int line, const GxString& text) {
    GxWriteErrorLog(u"err:[Script=\"%s\"/line=%I64d] %s\n", scriptName, s64(line) + 1, text);
}
