#include "io/GxTextFile.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "io/GxStringParse.h"

bool ReadTextFileLines(std::vector<GxString>* lines, GxStringView path, bool skipEmpty, u32 maxSize) {
    GxBinBuffer buf;
    if (!GxLoadFile(&buf, path, false, false, maxSize)) return false;
    const u8* d = buf.GetData();
    const u32 size = buf.GetSize();
    // Refused, but never silently: a table dropped without a word shows only
    // in what the game then lacks.
    if (size == 0) {
        GxWriteErrorLog(u"Error/ReadTextFileLines Empty File(%s)\n", path);
        return false;
    }
    if (size >= 2 && d[0] == 0xFE && d[1] == 0xFF) {
        GxWriteErrorLog(u"Error/ReadTextFileLines UTF-16 Big-Endian Is Not Read(%s)\n", path);
        return false;
    }
    if (size >= 2 && d[0] == 0xFF && d[1] == 0xFE) {
        GxString text;
        text.reserve((size - 2) / 2);
        for (u32 i = 2; i + 1 < size; i += 2) text.push_back(GxChar(d[i] | d[i + 1] << 8));
        const GxChar* p = text.data();
        const GxChar* end = p + text.size();
        GxString line;
        while (p < end && *p) {
            ReadTextLineW(&line, p, &p, nullptr, end);
            if (!skipEmpty || !line.empty()) lines->push_back(line);
        }
        return true;
    }
    const bool utf8 = size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF;
    const char* p = reinterpret_cast<const char*>(d) + (utf8 ? 3 : 0);
    const char* end = reinterpret_cast<const char*>(d) + size;
    GxStringA line;
    while (p < end && *p) {
        if (utf8) ReadTextLineUtf8(&line, p, &p, nullptr, end);
        else ReadTextLine(&line, p, &p, nullptr, end);
        if (!skipEmpty || !line.empty()) lines->push_back(utf8 ? GxFromUtf8(line) : GxFromAnsi(line));
    }
    return true;
}

bool ReadTextFileLinesSJIS(std::vector<GxStringA>* lines, GxStringView path, bool skipEmpty, u32 maxSize) {
    lines->clear();
    GxBinBuffer buf;
    if (!GxLoadFile(&buf, path, false, false, maxSize)) return false;
    const char* p = reinterpret_cast<const char*>(buf.GetData());
    const char* end = p ? p + buf.GetSize() : nullptr;
    GxStringA line;
    while (p < end && *p) {
        ReadTextLine(&line, p, &p, nullptr, end);
        if (!skipEmpty || !line.empty()) lines->push_back(line);
    }
    return true;
}
