#include "io/GxINIFile.h"

#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "io/GxStringParse.h"
#include "io/GxTextFile.h"

bool GxINIFile::Load(GxStringView path, bool silent) {
    m_Values.clear();
    m_NoKey = GxINIFileNoKey::NotRead;
    GxBinBuffer buf;
    if (!GxLoadFileNoCache(&buf, path, 0, silent, kGxINIFileMaxSize)) return false;
    GxString text;
    // The loader's two closing zero bytes are no part of the file.
    switch (GxDecodeText(buf.GetData(), buf.GetSize() - 2, &text)) {
    case GxTextDecode::Text: m_NoKey = GxINIFileNoKey::NoEntry; break;
    case GxTextDecode::Empty: m_NoKey = GxINIFileNoKey::Empty; return true;
    case GxTextDecode::BigEndianUtf16: m_NoKey = GxINIFileNoKey::BigEndianUtf16; return true;
    }
    std::vector<GxString> lines;
    GxSplitStringAll(&lines, text, u"\n");
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
