#include "tools/builders/MoaScriptBuilder.h"

#include "base/GxStringUtil.h"
#include "script/GxMoa.h"
#include "script/GxMoaDefs.h"
#include "script/GxMoaScript.h"

#include <cctype>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace qtest {

namespace {

const char16_t* const kDefaultBuiltins[] = {
    u"ToInt", u"ToFloat", u"ToStr", u"IsArray", u"ArraySize", u"Print", u"Debug", u"Error", u"IsFileExist",
    u"GetFileSize", u"StrLen", u"StrSub", u"StrLower", u"StrUpper", u"StrFind", u"IsLabelExist", u"DumpVarToFile",
    u"GetLocaleID", u"GetTimeZoneName", u"GetTimeZoneBias", u"GetUTime", u"GetYearFromUtime", u"GetMonthFromUtime",
    u"GetDayFromUtime", u"GetHourFromUtime", u"GetMinFromUtime", u"GetSecFromUtime", u"GetWeekFromUtime",
    u"GetYDayFromUtime", u"GetCurrentDir", u"GO", u"GOIF", u"GOSUB", u"GOSUBIF", u"RETURN", u"RETURNIF", u"EXIT",
    u"RETVAL", u"Sgn", u"Abs", u"Fsgn", u"Fabs", u"Fmod", u"Pow", u"Sqrt", u"Exp", u"Log", u"Rand",
};

// The names the adventure game binds, in its registration order.
const char16_t* const kGameBuiltins[] = {
    u"Print", u"Debug", u"GetSaveDir", u"GetCurSeqName", u"GetPrevSeqName", u"GetCurSeqParam0", u"GetCurSeqParam1",
    u"GetPrevSeqParam0", u"GetPrevSeqParam1", u"GetLastSelect", u"GetDialogResult", u"GetDebugModeFlag",
    u"GetSystemSignature", u"SetGameDataTitle", u"GetGameDataTitle", u"GetReplayMode", u"GetPassedLabel",
    u"SetNameIdentifyMode", u"DLG", u"MSG", u"MSGN", u"MSG.SHOW", u"MSG.HIDE", u"MSG.CLEAR", u"TEXT", u"NOTICE.SYS",
    u"NOTICE.USER", u"SP.COLOR", u"SP.ALPHA", u"SP.BLEND", u"SP.LCG", u"SP.LNC", u"SP.WA", u"SP.SHAKE",
    u"SP.SHAKE_END", u"SP.SUB", u"SP.CLEARALL", u"SP.ACT_MOVE", u"SP.ACT_FINISH", u"STAND", u"BG", u"BG.SW",
    u"BG.COLOR", u"BG.ACT_MOVE", u"BG.WA", u"EV", u"EV.SW", u"EV.COLOR", u"EV.ACT_MOVE", u"EV.WA", u"FIN", u"FOUT",
    u"FLASH", u"FLASH.WA", u"SHAKE", u"SHAKE.END", u"MV", u"MV.WA", u"MV.AUTOSTOP", u"BGM", u"BGM.WA", u"BGV",
    u"BGV.WA", u"SE", u"SE_0", u"SE_1", u"SE_2", u"SE_3", u"SE.WA", u"VO", u"VO_0", u"VO_1", u"VO_2", u"VO_3",
    u"VO.WA", u"SEL", u"SEL.GO", u"SEL.GOSUB", u"SEL.VISIBLE", u"SEL.ENABLE", u"SEL.CANCEL", u"SEL.HASH",
    u"WA.CLICK", u"WA.TIME", u"WA.LAYER", u"RP.SET", u"RP.UNSET", u"RP.SETALL", u"RP.UNSETALL", u"RP.END",
    u"CG.SET", u"CG.SETGROUP", u"CG.SETALL", u"CG.UNSETALL", u"JumpToTitle", u"SetExtraOption", u"GetExtraOption",
};
static_assert(std::size(kGameBuiltins) == 97);

struct Keyword {
    const char16_t* text;
    u16 type;
};
const Keyword kKeywords[] = {
    {u"NULL", kGxTokNull},          {u"ARRAY", kGxTokArray},     {u"IF", kGxTokIf},
    {u"ELSE", kGxTokElse},          {u"WHILE", kGxTokWhile},     {u"FOR", kGxTokFor},
    {u"DO", kGxTokDo},              {u"CONTINUE", kGxTokContinue}, {u"BREAK", kGxTokBreak},
    {u"BREAKPOINT", kGxTokBreakpoint}, {u"DEFINE", kGxTokDefine}, {u"BUILTIN", kGxTokBuiltinDecl},
    {u"STATIC", kGxTokStatic},      {u"GLOBAL", kGxTokGlobal},   {u"EXTERN", kGxTokExtern},
    {u"NOSAVE", kGxTokNoSave},      {u"INGAME", kGxTokInGame},   {u"PERMAN", kGxTokPerman},
};

// Longest operators first.
const Keyword kOperators[] = {
    {u"==", kGxTokEq},        {u"!=", kGxTokNe},        {u">=", kGxTokGe},        {u"<=", kGxTokLe},
    {u"<<", kGxTokShl},       {u">>", kGxTokShr},       {u"&&", kGxTokAndAnd},    {u"||", kGxTokOrOr},
    {u"+=", kGxTokAddAssign}, {u"-=", kGxTokSubAssign}, {u"*=", kGxTokMulAssign}, {u"/=", kGxTokDivAssign},
    {u"%=", kGxTokModAssign}, {u"&=", kGxTokAndAssign}, {u"|=", kGxTokOrAssign},  {u"^=", kGxTokXorAssign},
    {u":=", kGxTokConcatAssign}, {u"++", kGxTokPostInc}, {u"--", kGxTokPostDec},  {u"+", kGxTokAdd},
    {u"-", kGxTokSub},        {u"*", kGxTokMul},        {u"/", kGxTokDiv},        {u"%", kGxTokMod},
    {u":", kGxTokConcat},     {u"&", kGxTokBitAnd},     {u"|", kGxTokBitOr},      {u"^", kGxTokBitXor},
    {u"~", kGxTokBitNot},     {u"!", kGxTokNot},        {u"=", kGxTokAssign},     {u"<", kGxTokLt},
    {u">", kGxTokGt},         {u"(", kGxTokParenOpen},  {u")", kGxTokParenClose}, {u"[", kGxTokBracketOpen},
    {u"]", kGxTokBracketClose}, {u"{", kGxTokBraceOpen}, {u"}", kGxTokBraceClose}, {u",", kGxTokComma},
    {u";", kGxTokSemicolon},  {u"?", kGxTokQuestion},
};

bool IsWordStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80; }
bool IsWordChar(char16_t c) { return IsWordStart(c) || (c >= u'0' && c <= u'9') || c == u'.' || c == u'/' || c == u'@'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether a token ends an operand: decides unary against binary + and -,
// and postfix against prefix ++ and --.
bool EndsOperand(u16 t) {
    switch (t) {
    case kGxTokInt:
    case kGxTokFloat:
    case kGxTokString:
    case kGxTokNull:
    case kGxTokVar:
    case kGxTokBuiltin:
    case kGxTokBracketClose:
    case kGxTokParenClose:
    case kGxTokPostInc:
    case kGxTokPostDec: return true;
    default: return false;
    }
}

struct Where {
    size_t line, index;
};

} // namespace

MoaScriptBuilder::MoaScriptBuilder() {
    for (const auto* name : kDefaultBuiltins) DeclareBuiltin(name);
}

void MoaScriptBuilder::DeclareBuiltin(GxStringView name) {
    GxString key = GxToLower(name);
    if (!m_Builtins.count(key)) m_Builtins.emplace(std::move(key), m_NextIndex++);
}

void MoaScriptBuilder::DeclareGameBuiltins() {
    for (const auto* name : kGameBuiltins) DeclareBuiltin(name);
    // The ends of the TEXT and STAND blocks are builtin names to the
    // compiler, so that the blocks' readers find them; nothing binds them.
    DeclareBuiltin(u"endtext");
    DeclareBuiltin(u"endstand");
}

void MoaScriptBuilder::AddVariable(GxMoa* moa, GxStringView name, u32 scope, const GxMoaVariable& init,
                                   s32 arraySize) {
    GxMoaVariableDefinition d;
    d.m_Name = GxString(name);
    d.m_Scope = s32(scope);
    d.m_InitValue = init;
    d.m_ArraySize = arraySize;
    moa->AddVariableDefinition(d);
}

GxMoaScript* MoaScriptBuilder::AddScript(GxMoa* moa, GxStringView scriptName, GxStringView text) {
    // Every declared builtin has a definition, as the outside compiler lists
    // the builtins the game declares.
    for (const auto& [name, index] : m_Builtins) moa->AddBuiltinDefinition(GxMoaBuiltinDefinition(name, index));
    auto script = std::make_unique<GxMoaScript>(moa);
    script->m_ScriptName = GxString(scriptName);
    const std::string where = GxToUtf8(scriptName);
    m_LastError.clear();
    auto fail = [&](size_t line, const std::string& why) {
        m_LastError = "notation error in " + where + " line " + std::to_string(line + 1) + ": " + why;
        return nullptr;
    };

    // Pass 1: tokens line by line.
    size_t lineIndex = 0;
    for (size_t start = 0; start <= text.size(); ++lineIndex) {
        size_t end = text.find(u'\n', start);
        if (end == GxStringView::npos) end = text.size();
        GxStringView src = text.substr(start, end - start);
        start = end + 1;
        GxMoaScriptStep step;
        auto& tokens = step.m_Tokens;
        size_t i = 0;
        auto skipBlanks = [&] {
            while (i < src.size() && (src[i] == u' ' || src[i] == u'\t' || src[i] == u'\r')) ++i;
        };
        skipBlanks();
        if (i < src.size() && src[i] == u'>') {
            ++i;
            if (i < src.size() && src[i] == u' ') ++i;
            GxMoaToken t(kGxTokText);
            t.SetStr(src.substr(i));
            tokens.push_back(std::move(t));
            script->m_Lines.push_back(std::move(step));
            continue;
        }
        // Declaration lines also make their definitions.
        u32 declBase = 0, declClass = 0;
        while (true) {
            skipBlanks();
            if (i >= src.size()) break;
            const char16_t c = src[i];
            if (c == u'/' && i + 1 < src.size() && src[i + 1] == u'/') break;
            const u16 prev = tokens.empty() ? u16(kGxTokUndefined) : tokens.back().GetType();
            if (c == u'*' && tokens.empty() && i + 1 < src.size() && (IsWordStart(src[i + 1]) || src[i + 1] == u'@')) {
                size_t j = i + 1;
                while (j < src.size() && IsWordChar(src[j])) ++j;
                GxMoaToken t(kGxTokLabel);
                const GxStringView name = src.substr(i + 1, j - i - 1);
                t.SetStr(name);
                GxMoaLabelDefinition label(name, s32(lineIndex), 0, scriptName);
                const bool added = name[0] == u'@' ? script->AddLabel(label) : moa->AddLabel(label);
                if (!added) return fail(lineIndex, "label defined twice: " + GxToUtf8(name));
                tokens.push_back(std::move(t));
                i = j;
                continue;
            }
            if (c == u'$') {
                size_t j = i + 1;
                while (j < src.size() && IsWordChar(src[j]) && src[j] != u'.' && src[j] != u'/') ++j;
                if (j == i + 1) return fail(lineIndex, "'$' without a name");
                const bool array = j < src.size() && src[j] == u'[';
                GxMoaToken t(array ? kGxTokArrayVar : kGxTokVar);
                t.SetStr(src.substr(i + 1, j - i - 1));
                tokens.push_back(std::move(t));
                i = j;
                continue;
            }
            if (c == u'"') {
                GxString s;
                size_t j = i + 1;
                for (; j < src.size() && src[j] != u'"'; ++j) {
                    if (src[j] == u'\\' && j + 1 < src.size()) {
                        ++j;
                        s.push_back(src[j] == u'n' ? u'\n' : src[j]);
                    } else {
                        s.push_back(src[j]);
                    }
                }
                if (j >= src.size()) return fail(lineIndex, "unterminated string");
                GxMoaToken t(kGxTokString);
                t.SetStr(s);
                tokens.push_back(std::move(t));
                i = j + 1;
                continue;
            }
            if (IsDigit(c)) {
                size_t j = i;
                if (c == u'0' && i + 1 < src.size() && (src[i + 1] == u'x' || src[i + 1] == u'X')) {
                    j = i + 2;
                    u64 v = 0;
                    while (j < src.size() && std::isxdigit(int(src[j]))) {
                        const char16_t d = src[j++];
                        v = v * 16 + u64(IsDigit(d) ? d - u'0' : (d | 0x20) - u'a' + 10);
                    }
                    GxMoaToken t(kGxTokInt);
                    t.SetInt(s64(v));
                    tokens.push_back(std::move(t));
                    i = j;
                    continue;
                }
                while (j < src.size() && IsDigit(src[j])) ++j;
                bool decimal = false;
                if (j < src.size() && src[j] == u'.' && j + 1 < src.size() && IsDigit(src[j + 1])) {
                    decimal = true;
                    ++j;
                    while (j < src.size() && IsDigit(src[j])) ++j;
                }
                const std::string num = GxToUtf8(src.substr(i, j - i));
                GxMoaToken t(decimal ? kGxTokFloat : kGxTokInt);
                if (decimal)
                    t.SetFloat(std::stod(num));
                else
                    t.SetInt(s64(std::stoull(num)));
                tokens.push_back(std::move(t));
                i = j;
                continue;
            }
            if (IsWordStart(c) || c == u'@') {
                size_t j = i;
                while (j < src.size() && IsWordChar(src[j])) ++j;
                const GxStringView word = src.substr(i, j - i);
                i = j;
                u16 type = 0;
                for (const auto& k : kKeywords)
                    if (word == k.text) type = k.type;
                if (type) {
                    if (type == kGxTokStatic) declBase = kGxScopeStaticPerman;
                    if (type == kGxTokGlobal) declBase = kGxScopeGlobalPerman;
                    if (type == kGxTokExtern) declBase = kGxScopeExternPerman;
                    if (type == kGxTokPerman) declClass = 0;
                    if (type == kGxTokInGame) declClass = 1;
                    if (type == kGxTokNoSave) declClass = 2;
                    tokens.emplace_back(type);
                    continue;
                }
                auto it = m_Builtins.find(GxToLower(word));
                if (it != m_Builtins.end()) {
                    GxMoaToken t(kGxTokBuiltin);
                    t.SetStr(it->first);
                    t.SetInt(it->second);
                    tokens.push_back(std::move(t));
                } else {
                    GxMoaToken t(kGxTokUnknownWord);
                    t.SetStr(word);
                    tokens.push_back(std::move(t));
                }
                continue;
            }
            const Keyword* op = nullptr;
            for (const auto& k : kOperators) {
                const GxStringView ks(k.text);
                if (src.substr(i, ks.size()) == ks) {
                    op = &k;
                    break;
                }
            }
            if (!op) return fail(lineIndex, "unexpected character");
            i += GxStringView(op->text).size();
            u16 type = op->type;
            if (type == kGxTokAdd && !EndsOperand(prev)) type = kGxTokUnaryPlus;
            if (type == kGxTokSub && !EndsOperand(prev)) type = kGxTokUnaryMinus;
            if (type == kGxTokPostInc && prev != kGxTokVar && prev != kGxTokBracketClose) type = kGxTokPreInc;
            if (type == kGxTokPostDec && prev != kGxTokVar && prev != kGxTokBracketClose) type = kGxTokPreDec;
            tokens.emplace_back(type);
        }
        if (declBase) {
            // KEYWORD CLASS $name [ [n] ] [ = literal ]
            GxMoaVariableDefinition d;
            d.m_Scope = s32(declBase + declClass);
            d.m_ScriptName = GxString(scriptName);
            d.m_Line = s32(lineIndex);
            for (size_t k = 0; k < tokens.size(); ++k) {
                const GxMoaToken& t = tokens[k];
                if ((t.GetType() == kGxTokVar || t.GetType() == kGxTokArrayVar) && d.m_Name.empty())
                    d.m_Name = GxString(t.GetStrView());
                if (t.GetType() == kGxTokBracketOpen && k + 1 < tokens.size()) d.m_ArraySize = s32(tokens[k + 1].GetInt());
                if (t.GetType() == kGxTokAssign && k + 1 < tokens.size()) {
                    const GxMoaToken& v = tokens[k + 1];
                    if (v.GetType() == kGxTokInt) d.m_InitValue.SetInt64(v.GetInt());
                    if (v.GetType() == kGxTokFloat) d.m_InitValue.SetFloat(v.GetFloat());
                    if (v.GetType() == kGxTokString) d.m_InitValue.SetString(v.GetStrView());
                    if (v.GetType() == kGxTokUnaryMinus && k + 2 < tokens.size()) d.m_InitValue.SetInt64(-tokens[k + 2].GetInt());
                }
            }
            if (d.m_Name.empty()) return fail(lineIndex, "declaration without a variable");
            if (declBase == kGxScopeStaticPerman)
                script->m_VariableDefine.push_back(d);
            else
                moa->AddVariableDefinition(d);
        }
        script->m_Lines.push_back(std::move(step));
    }

    // Pass 2: block structure.
    std::vector<Where> all;
    for (size_t l = 0; l < script->m_Lines.size(); ++l)
        for (size_t k = 0; k < script->m_Lines[l].m_Tokens.size(); ++k) all.push_back({l, k});
    auto tok = [&](size_t n) -> GxMoaToken& { return script->m_Lines[all[n].line].m_Tokens[all[n].index]; };
    auto posOf = [&](size_t n) { return GxMoaRunPos(s32(all[n].line), s32(all[n].index)); };
    struct Open {
        size_t at;
        s64 kind;
    };
    std::vector<Open> open;
    s64 pending = 0;
    for (size_t n = 0; n < all.size(); ++n) {
        GxMoaToken& t = tok(n);
        switch (t.GetType()) {
        case kGxTokIf:
            if (n + 2 >= all.size() || tok(n + 1).GetType() != kGxTokParenOpen)
                return fail(all[n].line, "IF without '('");
            for (int r = 0; r < 4; ++r) t.SetRunPos(r, GxMoaRunPos(0, -1));
            t.SetRunPos(1, posOf(n + 2));
            pending = kGxMoaBlockEndIf;
            break;
        case kGxTokElse:
            for (int r = 0; r < 4; ++r) t.SetRunPos(r, GxMoaRunPos(0, -1));
            if (n + 1 < all.size() && tok(n + 1).GetType() == kGxTokIf) {
                if (n + 3 >= all.size() || tok(n + 2).GetType() != kGxTokParenOpen)
                    return fail(all[n].line, "ELSE IF without '('");
                t.SetRunPos(1, posOf(n + 3));
            } else {
                t.SetRunPos(1, GxMoaRunPos(-1, -1));
                pending = kGxMoaBlockEndElse;
            }
            break;
        case kGxTokBraceOpen:
            open.push_back({n, pending});
            pending = 0;
            break;
        case kGxTokBraceClose: {
            if (open.empty()) return fail(all[n].line, "'}' without '{'");
            const Open o = open.back();
            open.pop_back();
            GxMoaToken& brace = tok(o.at);
            for (int r = 0; r < 4; ++r) brace.SetRunPos(r, GxMoaRunPos(0, -1));
            brace.SetRunPos(0, posOf(n));
            t.SetInt(o.kind);
            break;
        }
        default: break;
        }
    }
    if (!open.empty()) return fail(all[open.back().at].line, "'{' without '}'");

    GxMoaScript* raw = script.get();
    if (!moa->AddScript(std::move(script))) return fail(0, "script name taken");
    return raw;
}

} // namespace qtest
