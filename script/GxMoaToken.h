#pragma once
// One pre-typed token of a compiled script line: its type and scope, an
// integer (a float token keeps its double's bits here), an optional text and
// optional jump targets (exactly four run positions) that the compiler gives
// control tokens.
#include "script/GxMoaDefs.h"
#include "script/GxMoaRunPos.h"

#include <memory>

class GxMoaToken {
public:
    GxMoaToken() = default;
    GxMoaToken(u16 type, u16 scope = 0) : m_TokenTypeAndScope(u32(type) | (u32(scope) << 16)) {}
    GxMoaToken(const GxMoaToken& other);
    GxMoaToken& operator=(const GxMoaToken& other);
    GxMoaToken(GxMoaToken&&) noexcept = default;
    GxMoaToken& operator=(GxMoaToken&&) noexcept = default;
    ~GxMoaToken() = default;

    u16 GetType() const { return u16(m_TokenTypeAndScope & 0xFFFF); }
    u16 GetScope() const { return u16(m_TokenTypeAndScope >> 16); }
    u32 GetTypeAndScope() const { return m_TokenTypeAndScope; }
    void SetTypeAndScope(u32 v) { m_TokenTypeAndScope = v; }
    s64 GetInt() const { return m_Int; }
    void SetInt(s64 v) { m_Int = v; }
    f64 GetFloat() const;
    void SetFloat(f64 v);

    bool HasRunPos() const { return m_RunPos != nullptr; }
    // A copy of run position index (0 to 3); (0, -1) when there is none.
    GxMoaRunPos GetRunPos(int index) const;
    int GetRunPosLine(int index) const;
    // Gives the token its four positions (all (0, -1)) if it has none yet.
    void SetRunPos(int index, const GxMoaRunPos& pos);

    bool HasStr() const { return m_Str != nullptr; }
    GxString* GetStr(GxString* out) const;
    GxStringView GetStrView() const { return m_Str ? GxStringView(*m_Str) : GxStringView(); }
    void SetStr(GxStringView text);

    // Type 0, scope 0, integer 0, no positions, no text.
    void Clear();
    // The text that error messages show for this token.
    GxString* ToDescription(GxString* out) const;

    // Stored form: "m_Flags" (1 integer, 2 positions, 4 text follow),
    // "m_TokenTypeAndScope", then what the flags announce.
    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

private:
    std::unique_ptr<GxMoaRunPos[]> m_RunPos;
    std::unique_ptr<GxString> m_Str;
    u32 m_TokenTypeAndScope = kGxTokScriptEnd;
    s64 m_Int = 0;
};
