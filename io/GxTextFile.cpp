#include "io/GxTextFile.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "io/GxStringParse.h"

#include <cstring>

GxTextDecode GxDecodeText(const u8* d, size_t size, GxString* text) {
    text->clear();
    const bool utf8 = size >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF;
    const bool utf16le = size >= 2 && d[0] == 0xFF && d[1] == 0xFE;
    if (size == 0 || (utf8 && size == 3) || (utf16le && size == 2)) return GxTextDecode::Empty;
    if (size >= 2 && d[0] == 0xFE && d[1] == 0xFF) return GxTextDecode::BigEndianUtf16;
    if (utf16le) {
        text->reserve((size - 2) / 2);
        for (size_t i = 2; i + 1 < size; i += 2) {
            const GxChar c = GxChar(d[i] | d[i + 1] << 8);
            if (c == 0) break;
            text->push_back(c);
        }
        return GxTextDecode::Text;
    }
    const char* s = reinterpret_cast<const char*>(d) + (utf8 ? 3 : 0);
    const std::string_view narrow(s, strnlen(s, size - (utf8 ? 3 : 0)));
    *text = utf8 ? GxFromUtf8(narrow) : GxFromAnsi(narrow);
    return GxTextDecode::Text;
}

bool ReadTextFileLines(std::vector<GxString>* lines, GxStringView path, bool skipEmpty, u32 maxSize) {
    GxBinBuffer buf;
    if (!GxLoadFile(&buf, path, false, false, maxSize)) return false;
    GxString text;
    // Refused, but never silently: a table dropped without a word shows only
    // in what the game then lacks.
    switch (GxDecodeText(buf.GetData(), buf.GetSize(), &text)) {
    case GxTextDecode::Text: break;
    case GxTextDecode::Empty: GxWriteErrorLog(u"Error/ReadTextFileLines Empty File(%s)\n", path); return false;
    case GxTextDecode::BigEndianUtf16:
        GxWriteErrorLog(u"Error/ReadTextFileLines UTF-16 Big-Endian Is Not Read(%s)\n", path);
        return false;
    }
    const GxChar* p = text.data();
    const GxChar* end = p + text.size();
    GxString line;
    while (p < end) {
        ReadTextLineW(&line, p, &p, nullptr, end);
        if (!skipEmpty || !line.empty()) lines->push_back(line);
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
