#include "script/GxMoaCompiler.h"

#include "script/GxMoa.h"
#include "script/GxMoaScript.h"
#include "script/GxMoaDebugNames.h"
#include "script/GxMoaToken.h"

namespace {

const GxMoaToken* TokenAt(GxMoaScript* script, const GxMoaRunPos& pos) {
    return script ? script->GetToken(pos) : nullptr;
}

u16 TypeAt(GxMoaScript* script, const GxMoaRunPos& pos) {
    const GxMoaToken* t = TokenAt(script, pos);
    return t ? t->GetType() : u16(kGxTokScriptEnd);
}

bool Report(GxMoaScript* script, int line, const GxChar* message, const GxMoaToken* token) {
    if (script && script->m_pOwner) {
        GxString desc = u"トークン無し";
        if (token) token->ToDescription(&desc);
        script->m_pOwner->Error(script->m_ScriptName, line, u"%s[%s]", message, desc);
    }
    return false;
}

void Emit(GxMoaOpcodeList* list, s32 opcode) {
    GxMoaVariable v;
    v.SetOpcode(opcode);
    list->push_back(std::move(v));
}

void EmitInt(GxMoaOpcodeList* list, s64 v) { list->push_back(GxMoaVariable::OfInt(v)); }

void EmitStr(GxMoaOpcodeList* list, GxStringView s) { list->push_back(GxMoaVariable::OfString(s)); }

void EmitElementNum(GxMoaOpcodeList* list, s64 count) {
    Emit(list, kGxOpElementNum);
    EmitInt(list, count);
}

void EmitCallBuiltin(GxMoaOpcodeList* list, const GxMoaToken& builtin) {
    Emit(list, kGxOpCallBuiltin);
    EmitInt(list, builtin.GetInt());
    EmitStr(list, builtin.GetStrView());
}

void Advance(GxMoaScript* script, GxMoaRunPos* cursor) { script->StepInLine(cursor); }

// The target operands of an assignment or increment: OPC_ALTER_VAR(ARY) and
// the name.
void EmitTarget(GxMoaOpcodeList* list, bool element, GxStringView name) {
    Emit(list, element ? kGxOpAlterVarAry : kGxOpAlterVar);
    EmitStr(list, name);
}

bool IsCloser(u16 t) {
    return t == kGxTokScriptEnd || t == kGxTokSemicolon || t == kGxTokComma || t == kGxTokBraceClose ||
           t == kGxTokBracketClose || t == kGxTokParenClose;
}

} // namespace

struct GxMoaCompiler::OpMap {
    u16 token;
    s32 opcode;
};

template <size_t N>
bool GxMoaCompiler::BinaryLevel(GxMoaRunPos* cursor, Level next, const OpMap (&ops)[N], const GxChar* noToken) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    if (!(this->*next)(cursor)) return false;
    for (;;) {
        const GxMoaToken* t = TokenAt(script, *cursor);
        if (!t) return Report(script, cursor->m_Line, noToken, nullptr);
        s32 opcode = -1;
        for (const auto& op : ops)
            if (op.token == t->GetType()) opcode = op.opcode;
        if (opcode < 0) return true;
        if (!Phase_IsTermRight(script, *cursor) || !Phase_IsTermLeft(script, *cursor)) return false;
        if (!Phase_Skip(cursor, t->GetType(), script)) return false;
        if (!(this->*next)(cursor)) return false;
        Emit(list, opcode);
    }
}

bool GxMoaCompiler::VariableTail(GxMoaRunPos* cursor, const GxMoaToken& varToken, int varLine, bool element) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    const u32 flags = m_Flags;
    const GxStringView name = varToken.GetStrView();
    const u16 next = TypeAt(script, *cursor);
    const bool assignment = next >= kGxTokAssign && next <= kGxTokXorAssign;
    const bool increment = next == kGxTokPostInc || next == kGxTokPostDec;
    if ((assignment || increment) && (flags & kGxMoaNoAssignment))
        return Report(script, varLine, u"Phase_Term この式で変数の内容を変えることはできません", &varToken);
    if (assignment) {
        if (!AssignOp(cursor)) return false;
        EmitTarget(list, element, name);
        return true;
    }
    if (increment) {
        Emit(list, next == kGxTokPostInc ? kGxOpPostInc : kGxOpPostDec);
        Advance(script, cursor);
        EmitTarget(list, element, name);
        return true;
    }
    Emit(list, element ? kGxOpPushVarAry : kGxOpPushVar);
    EmitStr(list, name);
    return true;
}

bool GxMoaCompiler::Expr(GxMoaRunPos* cursor) {
    GxMoaScript* script = m_Script;
    if (!LogicalOp(cursor)) return false;
    const GxMoaToken* t = TokenAt(script, *cursor);
    if (!t) return Report(script, cursor->m_Line, u"Phase_Expr 指定位置にトークンが存在しません", nullptr);
    if (!IsCloser(t->GetType())) return Report(script, cursor->m_Line, u"Phase_Expr 式に間違いがあります", t);
    return true;
}

bool GxMoaCompiler::LogicalOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokAndAnd, kGxOpAndAnd}, {kGxTokOrOr, kGxOpOrOr}};
    return BinaryLevel(cursor, &GxMoaCompiler::BitOp, ops, u"Phase_LogicalOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::BitOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokBitAnd, kGxOpBitAnd}, {kGxTokBitOr, kGxOpBitOr}, {kGxTokBitXor, kGxOpBitXor}};
    return BinaryLevel(cursor, &GxMoaCompiler::CompEqNeOp, ops, u"Phase_BitOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::CompEqNeOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokEq, kGxOpEq}, {kGxTokNe, kGxOpNe}};
    return BinaryLevel(cursor, &GxMoaCompiler::CompLeGeOp, ops, u"Phase_CompEqNeOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::CompLeGeOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokGt, kGxOpGt}, {kGxTokGe, kGxOpGe}, {kGxTokLt, kGxOpLt}, {kGxTokLe, kGxOpLe}};
    return BinaryLevel(cursor, &GxMoaCompiler::BitShiftOp, ops, u"Phase_CompLeGeOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::BitShiftOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokShl, kGxOpShl}, {kGxTokShr, kGxOpShr}};
    return BinaryLevel(cursor, &GxMoaCompiler::AddOp, ops, u"Phase_BitShiftOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::AddOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokAdd, kGxOpAdd}, {kGxTokSub, kGxOpSub}, {kGxTokConcat, kGxOpConcat}};
    return BinaryLevel(cursor, &GxMoaCompiler::MulOp, ops, u"Phase_AddOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::MulOp(GxMoaRunPos* cursor) {
    static const OpMap ops[] = {{kGxTokMul, kGxOpMul}, {kGxTokDiv, kGxOpDiv}, {kGxTokMod, kGxOpMod}};
    return BinaryLevel(cursor, &GxMoaCompiler::SingleOp, ops, u"Phase_MulOp 指定位置にトークンが存在しません");
}

bool GxMoaCompiler::SingleOp(GxMoaRunPos* cursor) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    const GxMoaToken* t = TokenAt(script, *cursor);
    if (!t) return Report(script, cursor->m_Line, u"Phase_SingleOp 指定位置にトークンが存在しません", nullptr);
    s32 opcode = -1;
    switch (t->GetType()) {
    case kGxTokUnaryPlus: opcode = kGxOpUnaryPlus; break;
    case kGxTokUnaryMinus: opcode = kGxOpUnaryMinus; break;
    case kGxTokBitNot: opcode = kGxOpBitNot; break;
    case kGxTokNot: opcode = kGxOpNot; break;
    default: return Term(cursor);
    }
    if (!Phase_IsTermRight(script, *cursor)) return false;
    Advance(script, cursor);
    if (!Term(cursor)) return false;
    Emit(list, opcode);
    return true;
}

bool GxMoaCompiler::Term(GxMoaRunPos* cursor) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    const u32 flags = m_Flags;
    const GxMoaToken* t = TokenAt(script, *cursor);
    if (!t) return Report(script, cursor->m_Line, u"Phase_Term 指定位置にトークンが存在しません", nullptr);
    const GxMoaRunPosCheck where = script->CheckRunPos(cursor->m_Line, cursor->m_Pos);
    if (where == kGxRunPosLineEnd || where == kGxRunPosScriptEnd) return true;
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(++d) {}
        ~DepthGuard() { --depth; }
    } guard(m_Depth);
    if (m_Depth > kGxMoaMaxExprDepth) return Report(script, cursor->m_Line, u"Phase_Term 式の入れ子が深すぎます", t);
    const int line = cursor->m_Line;
    switch (t->GetType()) {
    case kGxTokBuiltin: {
        if (flags & kGxMoaNoBuiltins)
            return Report(script, line, u"Phase_Term この式に組み込み関数を使用することはできません", t);
        Advance(script, cursor);
        if (TypeAt(script, *cursor) == kGxTokParenOpen) {
            Advance(script, cursor);
            if (!Element(cursor)) return false;
            EmitCallBuiltin(list, *t);
            // Only the `)` of this call's own list belongs to it.
            if (TypeAt(script, *cursor) == kGxTokParenClose) Advance(script, cursor);
            return true;
        }
        EmitElementNum(list, 0);
        EmitCallBuiltin(list, *t);
        return true;
    }
    case kGxTokInt:
        Emit(list, kGxOpPushInt);
        EmitInt(list, t->GetInt());
        Advance(script, cursor);
        return true;
    case kGxTokFloat:
        Emit(list, kGxOpPushFloat);
        list->push_back(GxMoaVariable::OfFloat(t->GetFloat()));
        Advance(script, cursor);
        return true;
    case kGxTokString:
        Emit(list, kGxOpPushStr);
        EmitStr(list, t->GetStrView());
        Advance(script, cursor);
        return true;
    case kGxTokNull:
        Emit(list, kGxOpPushNull);
        Advance(script, cursor);
        return true;
    case kGxTokVar:
    case kGxTokArrayVar:
        if (flags & kGxMoaNoVariables) return Report(script, line, u"Phase_Term この式に変数を使用することはできません", t);
        Advance(script, cursor);
        if (t->GetType() == kGxTokVar) return VariableTail(cursor, *t, line, false);
        if (!Phase_Skip(cursor, kGxTokBracketOpen, script)) return false;
        if (!Term(cursor)) return false;
        if (!Phase_Skip(cursor, kGxTokBracketClose, script)) return false;
        return VariableTail(cursor, *t, line, true);
    case kGxTokArray:
        Advance(script, cursor);
        if (!Phase_Skip(cursor, kGxTokParenOpen, script)) return false;
        if (!Element(cursor)) return false;
        Emit(list, kGxOpArrayInit);
        return Phase_Skip(cursor, kGxTokParenClose, script);
    case kGxTokParenOpen:
        Advance(script, cursor);
        if (!Expr(cursor)) return false;
        return Phase_Skip(cursor, kGxTokParenClose, script);
    case kGxTokBracketOpen: {
        const GxMoaRunPos before(cursor->m_Line, cursor->m_Pos - 1);
        if (TypeAt(script, before) != kGxTokArrayVar)
            return Report(script, line, u"Phase_Term []演算子の前に配列変数名がありません", t);
        Advance(script, cursor);
        if (!Expr(cursor)) return false;
        Emit(list, kGxOpArrayIndex);
        return Phase_Skip(cursor, kGxTokBracketClose, script);
    }
    case kGxTokUnaryPlus:
    case kGxTokUnaryMinus:
    case kGxTokBitNot:
    case kGxTokNot: return SingleOp(cursor);
    case kGxTokBreakpoint: Advance(script, cursor); return true;
    case kGxTokScriptEnd:
    case kGxTokSemicolon:
    case kGxTokComma:
    case kGxTokBraceClose:
    case kGxTokBracketClose:
    case kGxTokParenClose: return true;
    default: return Report(script, line, u"Phase_Term 式として認識できないトークンです", t);
    }
}

bool GxMoaCompiler::AssignOp(GxMoaRunPos* cursor) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    const GxMoaToken* t = TokenAt(script, *cursor);
    if (!t) return Report(script, cursor->m_Line, u"Phase_AssignOp 代入式が不正です", nullptr);
    const u16 type = t->GetType();
    if (type < kGxTokAssign || type > kGxTokXorAssign)
        return Report(script, cursor->m_Line, u"Phase_AssignOp 代入式が不正です", t);
    const s32 opcode = kGxOpAssign + (type - kGxTokAssign);
    if (!Phase_IsTermRight(script, *cursor) || !Phase_IsTermLeft(script, *cursor)) return false;
    if (!Phase_Skip(cursor, type, script)) return false;
    if (!Expr(cursor)) return false;
    Emit(list, opcode);
    return true;
}

bool GxMoaCompiler::Element(GxMoaRunPos* cursor) {
    GxMoaScript* script = m_Script;
    GxMoaOpcodeList* list = m_List;
    u16 type = TypeAt(script, *cursor);
    if (type == kGxTokParenClose || type == kGxTokBracketClose) {
        EmitElementNum(list, 0);
        return true;
    }
    if (type == kGxTokComma) Emit(list, kGxOpPushNull);
    s64 count = 0;
    for (;;) {
        if (!Expr(cursor)) return false;
        const GxMoaToken* t = TokenAt(script, *cursor);
        if (!t) return Report(script, cursor->m_Line, u"Phase_Element 指定位置にトークンが存在しません", nullptr);
        type = t->GetType();
        if (type == kGxTokComma) {
            Advance(script, cursor);
            const u16 next = TypeAt(script, *cursor);
            if (next == kGxTokComma || next == kGxTokParenClose || next == kGxTokBracketClose)
                Emit(list, kGxOpPushNull);
            ++count;
            continue;
        }
        if (type == kGxTokParenClose || type == kGxTokBracketClose) {
            EmitElementNum(list, count + 1);
            return true;
        }
        return Report(script, cursor->m_Line, u"Phase_Element 式に予期しない記号を見つけました。式が間違っています", t);
    }
}

bool Phase_Skip(GxMoaRunPos* cursor, u16 expected, GxMoaScript* script) {
    const GxMoaToken* t = TokenAt(script, *cursor);
    if (!t) return Report(script, cursor->m_Line, u"Phase_Skip 指定位置にトークンが存在しません", nullptr);
    if (t->GetType() == expected) {
        Advance(script, cursor);
        return true;
    }
    const GxString message = GxString(u"Phase_Skip 次に来るべき記号 ") + GxMoaTokenTypeName(expected) + u" がありません";
    return Report(script, cursor->m_Line, message.c_str(), t);
}

bool Phase_IsTermLeft(GxMoaScript* script, GxMoaRunPos pos) {
    GxMoaRunPos before(pos.m_Line, pos.m_Pos > 0 ? pos.m_Pos - 1 : -1);
    const GxMoaToken* t = TokenAt(script, before);
    switch (t ? t->GetType() : u16(kGxTokScriptEnd)) {
    case kGxTokInt:
    case kGxTokFloat:
    case kGxTokString:
    case kGxTokNull:
    case kGxTokVar:
    case kGxTokBracketClose:
    case kGxTokParenClose:
    case kGxTokPostInc:
    case kGxTokPostDec: return true;
    default: return Report(script, pos.m_Line, u"Phase_IsTermLeft 左側に項が存在しないか不正な式です", t);
    }
}

bool Phase_IsTermRight(GxMoaScript* script, GxMoaRunPos pos) {
    GxMoaRunPos after(pos.m_Line, pos.m_Pos >= 0 && pos.m_Pos < 0x7FFFFFFF ? pos.m_Pos + 1 : -1);
    const GxMoaToken* t = TokenAt(script, after);
    switch (t ? t->GetType() : u16(kGxTokScriptEnd)) {
    case kGxTokBuiltin:
    case kGxTokUnknownWord:
    case kGxTokInt:
    case kGxTokFloat:
    case kGxTokString:
    case kGxTokNull:
    case kGxTokVar:
    case kGxTokArrayVar:
    case kGxTokArray:
    case kGxTokParenOpen:
    case kGxTokUnaryPlus:
    case kGxTokUnaryMinus:
    case kGxTokBitNot:
    case kGxTokNot:
    case kGxTokPreInc:
    case kGxTokPreDec: return true;
    default: return Report(script, pos.m_Line, u"Phase_IsTermRight 右側に項が存在しないか不正な式です", t);
    }
}

bool Phase_Expr(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).Expr(cursor);
}
bool Phase_LogicalOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).LogicalOp(cursor);
}
bool Phase_BitOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).BitOp(cursor);
}
bool Phase_CompEqNeOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).CompEqNeOp(cursor);
}
bool Phase_CompLeGeOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).CompLeGeOp(cursor);
}
bool Phase_BitShiftOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).BitShiftOp(cursor);
}
bool Phase_AddOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).AddOp(cursor);
}
bool Phase_MulOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).MulOp(cursor);
}
bool Phase_SingleOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).SingleOp(cursor);
}
bool Phase_Term(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).Term(cursor);
}
bool Phase_AssignOp(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).AssignOp(cursor);
}
bool Phase_Element(GxMoaScript* script, GxMoaOpcodeList* list, GxMoaRunPos* cursor, u32 flags) {
    return GxMoaCompiler(script, list, flags).Element(cursor);
}
