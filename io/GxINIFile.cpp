#include "io/GxINIFile.h"

#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "io/GxStringParse.h"

#include <cstring>

namespace {

// The file's text: up to the first zero character, converted by its
// byte-order mark or, without one, from the ANSI code page. A file of no
// byte but its mark, and one in UTF-16BE, are told apart from text that
// holds no entry: a game's configuration refused for them says which.
GxString DecodeText(const GxBinBuffer& buf, GxINIFileNoKey* noKey) {
    const u8* d = buf.GetData();
    const size_t size = buf.GetSize();
    // The loader's two closing zero bytes are no part of the file.
    const size_t fileSize = size - 2;
    const bool utf16le = fileSize >= 2 && d[0] == 0xFF && d[1] == 0xFE;
    const bool utf8 = fileSize >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF;
    *noKey = GxINIFileNoKey::NoEntry;
    if (fileSize == 0 || (utf16le && fileSize == 2) || (utf8 && fileSize == 3)) {
        *noKey = GxINIFileNoKey::Empty;
        return {};
    }
    if (fileSize >= 2 && d[0] == 0xFE && d[1] == 0xFF) {
        *noKey = GxINIFileNoKey::BigEndianUtf16;
        return {};
    }
    if (utf16le) {
        GxString text;
        for (size_t i = 2; i + 1 < size; i += 2) {
            const GxChar c = GxChar(d[i] | d[i + 1] << 8);
            if (c == 0) break;
            text.push_back(c);
        }
        return text;
    }
    const char* s = reinterpret_cast<const char*>(d);
    const size_t len = strnlen(s, size);
    if (utf8) return GxFromUtf8(std::string_view(s + 3, len - 3));
    return GxFromAnsi(std::string_view(s, len));
}

} // namespace

bool GxINIFile::Load(GxStringView path, bool silent) {
    m_Values.clear();
    m_NoKey = GxINIFileNoKey::NotRead;
    GxBinBuffer buf;
    if (!GxLoadFileNoCache(&buf, path, 0, silent, kGxINIFileMaxSize)) return false;
    std::vector<GxString> lines;
    GxSplitStringAll(&lines, DecodeText(buf, &m_NoKey), u"\n");
    for (const GxString& raw : lines) {
        const GxString line = GxTrim(raw, 4);
        const size_t eq = line.find(u'=');
        if (eq == GxString::npos) continue;
        m_Values.emplace(GxTrim(GxStringView(line).substr(0, eq), 3), GxTrim(GxStringView(line).substr(eq + 1), 3));
    }
    if (!m_Values.empty()) m_NoKey = GxINIFileNoKey::None;
    return true;
}

const GxString* GxINIFile::Find(GxStringView key) const {
    auto it = m_Values.find(key);
    return it == m_Values.end() ? nullptr : &it->second;
}

GxString& GxINIFile::GetString(GxString* out, GxStringView key, GxStringView def) const {
    const GxString* v = Find(key);
    *out = v ? *v : GxString(def);
    return *out;
}

int GxINIFile::GetInt(GxStringView key, int def) const {
    const GxString* v = Find(key);
    return v ? ParseInteger(v->c_str(), nullptr, 0, true) : def;
}

s64 GxINIFile::GetInt64(GxStringView key, s64 def) const {
    const GxString* v = Find(key);
    return v ? ParseInteger64(v->c_str(), nullptr, 0, true) : def;
}

bool GxINIFile::GetBool(GxStringView key, bool def) const {
    const GxString* v = Find(key);
    return v ? ParseInteger(v->c_str(), nullptr, 10, true) > 0 : def;
}
