#include "script/GxMoaToken.h"

#include "base/GxFormat.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaDebugNames.h"

#include <bit>

GxMoaToken::GxMoaToken(const GxMoaToken& other) : m_TokenTypeAndScope(other.m_TokenTypeAndScope), m_Int(other.m_Int) {
    if (other.m_RunPos) {
        m_RunPos = std::make_unique<GxMoaRunPos[]>(4);
        for (int i = 0; i < 4; ++i) m_RunPos[i] = other.m_RunPos[i];
    }
    if (other.m_Str) m_Str = std::make_unique<GxString>(*other.m_Str);
}

GxMoaToken& GxMoaToken::operator=(const GxMoaToken& other) {
    if (this != &other) {
        GxMoaToken copy(other);
        *this = std::move(copy);
    }
    return *this;
}

f64 GxMoaToken::GetFloat() const { return std::bit_cast<f64>(m_Int); }
void GxMoaToken::SetFloat(f64 v) { m_Int = std::bit_cast<s64>(v); }

GxMoaRunPos GxMoaToken::GetRunPos(int index) const {
    if (!m_RunPos || index < 0 || index > 3) return GxMoaRunPos(0, -1);
    return m_RunPos[index];
}

int GxMoaToken::GetRunPosLine(int index) const {
    if (!m_RunPos || index < 0 || index > 3) return 0;
    return m_RunPos[index].m_Line;
}

void GxMoaToken::SetRunPos(int index, const GxMoaRunPos& pos) {
    if (index < 0 || index > 3) return;
    if (!m_RunPos) m_RunPos = std::make_unique<GxMoaRunPos[]>(4);
    m_RunPos[index] = pos;
}

GxString* GxMoaToken::GetStr(GxString* out) const {
    if (m_Str)
        *out = *m_Str;
    else
        out->clear();
    return out;
}

void GxMoaToken::SetStr(GxStringView text) {
    const size_t nul = text.find(u'\0');
    if (nul != GxStringView::npos) text = text.substr(0, nul);
    m_Str = std::make_unique<GxString>(text);
}

void GxMoaToken::Clear() {
    m_RunPos.reset();
    m_Str.reset();
    m_TokenTypeAndScope = 0;
    m_Int = 0;
}

GxString* GxMoaToken::ToDescription(GxString* out) const {
    const u16 type = GetType();
    switch (type) {
    case kGxTokInt: *out = GxFormat(u"整数値[%I64d]", m_Int); break;
    case kGxTokFloat: *out = GxFormat(u"小数値[%f]", GetFloat()); break;
    case kGxTokBuiltin: *out = u"組み込み関数名"; break;
    case kGxTokVar: *out = u"変数名"; break;
    case kGxTokArrayVar: *out = u"配列変数名"; break;
    default: *out = GxMoaTokenTypeName(type); break;
    }
    if (m_Str && !m_Str->empty()) {
        *out += u" String:";
        *out += *m_Str;
    }
    return out;
}

bool GxMoaToken::Write(GxContentWriterBase& writer) const {
    GxBit32 flags;
    flags.Assign(1, m_Int != 0);
    flags.Assign(2, m_RunPos != nullptr);
    flags.Assign(4, m_Str != nullptr);
    bool ok = writer.Write("m_Flags", flags);
    ok &= writer.Write("m_TokenTypeAndScope", m_TokenTypeAndScope);
    if (flags.Test(1)) ok &= writer.Write("m_Int", m_Int);
    if (flags.Test(2))
        for (int i = 0; i < 4; ++i) ok &= m_RunPos[i].Write(writer);
    if (flags.Test(4)) ok &= writer.Write("m_Str", *m_Str);
    return ok && writer.GetErrorCount() == 0;
}

bool GxMoaToken::Read(GxContentReaderBase& reader) {
    Clear();
    GxBit32 flags;
    if (!reader.Read("m_Flags", &flags)) return false;
    if (!reader.Read("m_TokenTypeAndScope", &m_TokenTypeAndScope)) return false;
    if (flags.Test(1) && !reader.Read("m_Int", &m_Int)) return false;
    if (flags.Test(2)) {
        m_RunPos = std::make_unique<GxMoaRunPos[]>(4);
        for (int i = 0; i < 4; ++i)
            if (!m_RunPos[i].Read(reader)) return false;
    }
    if (flags.Test(4)) SetStr(reader.ReadWString("m_Str"));
    return reader.GetErrorCount() == 0;
}
