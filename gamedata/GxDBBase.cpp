#include "gamedata/GxDBBase.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxStringParse.h"
#include "io/GxTextFile.h"

#include <charconv>
#include <cmath>

namespace {

s32 ParseField(const GxString& text) { return ParseInteger(text.c_str(), nullptr, 0, false); }

bool IsSpace(GxChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Decimal (or 0x hexadecimal) floating-point text as the C library's
// conversion reads it, without its dependence on the locale. Text that is no
// number, and a value that is not finite, give 0: a table's coordinates must
// stay usable.
f32 ParseFloatField(const GxString& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    std::string ascii;
    for (; i < text.size() && text[i] < 0x80; ++i) ascii.push_back(char(text[i]));
    const char* p = ascii.c_str();
    const char* end = p + ascii.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    std::chars_format format = std::chars_format::general;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
        format = std::chars_format::hex;
    }
    // A second sign after ours is no number.
    if (p < end && (*p == '+' || *p == '-')) return 0.0f;
    double v = 0.0;
    if (std::from_chars(p, end, v, format).ec != std::errc()) return 0.0f;
    const f32 f = f32(negative ? -v : v);
    return std::isfinite(f) ? f : 0.0f;
}

} // namespace

GxDBBase::GxDBBase(const GxChar* tableName, std::span<const GxDBColumn> columns, s32 nameColumn)
    : m_TableName(tableName), m_Columns(columns), m_NameColumn(nameColumn) {}

s32 GxDBBase::GetFieldCount() const {
    s32 n = 0;
    for (const GxDBColumn& c : m_Columns) n += c.FilledCount();
    return n;
}

void GxDBBase::Clear() {
    ClearRecords();
    m_MaxID = -1;
    m_NameMap.clear();
    m_FileName.clear();
    m_NameMapError = false;
}

void GxDBBase::CopyLoadState(const GxDBBase& loaded) {
    m_MaxID = loaded.m_MaxID;
    m_NameMap = loaded.m_NameMap;
    m_FileName = loaded.m_FileName;
    m_NameMapError = loaded.m_NameMapError;
}

bool GxDBBase::Load(const GxChar* path) {
    m_FileName = path ? path : u"";
    std::vector<GxString> lines;
    if (!ReadTextFileLines(&lines, m_FileName, false)) return false;
    const u32 fieldCount = u32(GetFieldCount());
    std::vector<GxString> fields;
    // The IDs this file has filled; a later line with one of them replaces
    // that record, which a table may mean, but a slip of the game maker's
    // would otherwise show only in what the game then lacks.
    std::vector<bool> filled(size_t(GetRecordMax()), false);
    bool repeatSaid = false;
    for (const GxString& line : lines) {
        if (line.empty() || line[0] == u'#') continue;
        GxSplitString(&fields, line, u"\t", fieldCount);
        for (GxString& f : fields)
            if (!f.empty() && (f[0] == u'"' || f[0] == u'\'')) f = GxExtractQuoted(f, 0);
        if (fields[0].empty()) continue;
        // "*" follows the highest ID so far; computed in 64 bits so that it
        // cannot wrap past the top of the range.
        const s64 id = fields[0] == u"*" ? s64(m_MaxID) + 1 : s64(ParseField(fields[0]));
        if (id < 0 || id >= GetRecordMax()) {
            GxWriteErrorLog(u"%s/ID out of range[%s/%d]\n", m_TableName, m_FileName, s32(id));
            return false;
        }
        if (id > m_MaxID) m_MaxID = s32(id);
        // Said once per table, as a repeated name is.
        if (filled[size_t(id)] && !repeatSaid) {
            GxWriteErrorLog(u"Warning/%s::Load/同じIDの行があるようです。後の行で置き換えます。テーブルを確認してください (File:%s/ID=%d)\n",
                            m_TableName, m_FileName, s32(id));
            repeatSaid = true;
        }
        filled[size_t(id)] = true;
        GxDBRecord& record = *GetRecord(s32(id));
        *static_cast<s32*>(m_Columns[0].m_Field(record)) = s32(id);
        FillRecord(record, fields);
        if (m_NameColumn >= 0) AddNameMap(*static_cast<const GxString*>(m_Columns[m_NameColumn].m_Field(record)), s32(id));
    }
    return true;
}

void GxDBBase::FillRecord(GxDBRecord& record, const std::vector<GxString>& fields) {
    size_t next = 1;
    for (size_t c = 1; c < m_Columns.size(); ++c) {
        const GxDBColumn& column = m_Columns[c];
        void* field = column.m_Field(record);
        const s32 last = column.m_ArraySize ? column.m_ArraySize : 1;
        for (s32 e = column.m_FirstFilled; e < last; ++e) {
            const GxString& text = fields[next++];
            switch (column.m_Type) {
            case kGxValS32: static_cast<s32*>(field)[e] = ParseField(text); break;
            case kGxValU32: static_cast<u32*>(field)[e] = u32(ParseField(text)); break;
            case kGxValF32: static_cast<f32*>(field)[e] = ParseFloatField(text); break;
            default: static_cast<GxString*>(field)[e] = text; break;
            }
        }
    }
}

const GxDBColumn* GxDBBase::FindColumn(const GxChar* column) const {
    if (!column) return nullptr;
    const GxStringView name(column);
    for (const GxDBColumn& c : m_Columns)
        if (name == c.m_Name) return &c;
    return nullptr;
}

void* GxDBBase::GetFieldPtr(s32 id, const GxChar* column) {
    const GxDBColumn* c = FindColumn(column);
    GxDBRecord* record = GetRecord(id);
    if (!c || c == &m_Columns[0] || !record) return nullptr;
    return c->m_Field(*record);
}

s32 GxDBBase::GetColumnIndex(const GxChar* column) const {
    const GxDBColumn* c = FindColumn(column);
    return c ? s32(c - m_Columns.data()) : -1;
}

s32 GxDBBase::GetColumnType(const GxChar* column) const {
    const GxDBColumn* c = FindColumn(column);
    return c ? s32(c->m_Type) : 0;
}

s32 GxDBBase::GetColumnArraySize(const GxChar* column) const {
    const GxDBColumn* c = FindColumn(column);
    return c ? c->m_ArraySize : 0;
}

s32 GxDBBase::FindNameMap(const GxString& name, s32 defaultID) const {
    if (name.empty()) return defaultID;
    const auto it = m_NameMap.find(name);
    return it == m_NameMap.end() ? defaultID : it->second;
}

s32 GxDBBase::FindNameMap(const GxChar* name, s32 defaultID) const {
    return FindNameMap(GxString(name ? name : u""), defaultID);
}

bool GxDBBase::AddNameMap(const GxString& name, s32 id) {
    if (name.empty()) return false;
    if (m_NameMap.emplace(name, id).second) return true;
    // The first clash of a table is said; a damaged table may repeat one
    // name on every line.
    if (!m_NameMapError)
        GxWriteErrorLog(u"GxDBBase::AddNameMap/同じ名前キーがあるようです。テーブルを確認してください (File:%s/Name:%s/ID=%d)\n",
                        m_FileName, name, id);
    m_NameMapError = true;
    return false;
}
