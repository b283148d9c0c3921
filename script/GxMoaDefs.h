#pragma once
// Codes shared across the interpreter: value types, token types, scopes,
// storage classes and opcodes, with the limits that keep untrusted bundles and
// saves from exhausting memory or the stack.
#include "base/GxTypes.h"

// Type codes of a script value.
enum GxMoaValueType : u32 {
    kGxMoaInt = 7,
    kGxMoaFloat = 10,
    kGxMoaStr = 25,
    kGxMoaArray = 39,
    kGxMoaRefVar = 250,
    kGxMoaOpcode = 253,
    kGxMoaNull = 254,
};

// Token types (the low half of a token's type-and-scope word).
enum GxMoaTokenType : u16 {
    kGxTokUndefined = 0,
    kGxTokBuiltin = 1,
    kGxTokUnknownWord = 2,
    kGxTokInt = 3,
    kGxTokFloat = 4,
    kGxTokString = 5,
    kGxTokNull = 6,
    kGxTokLabel = 7,
    kGxTokText = 8,
    kGxTokVar = 9,
    kGxTokArrayVar = 10,
    kGxTokRefVar = 11,
    kGxTokRefArrayVar = 12,
    kGxTokArray = 13,
    kGxTokCommandStart = 14,
    kGxTokBreakpoint = 15,
    kGxTokHereDocEnd = 16,
    kGxTokScriptEnd = 17,
    kGxTokDefine = 18,
    kGxTokBuiltinDecl = 19,
    kGxTokUnnamed20 = 20,
    kGxTokStatic = 21,
    kGxTokGlobal = 22,
    kGxTokExtern = 23,
    kGxTokNoSave = 24,
    kGxTokInGame = 25,
    kGxTokPerman = 26,
    kGxTokIf = 27,
    kGxTokElse = 28,
    kGxTokWhile = 29,
    kGxTokFor = 30,
    kGxTokDo = 31,
    kGxTokContinue = 32,
    kGxTokBreak = 33,
    kGxTokSemicolon = 34,
    kGxTokComma = 35,
    kGxTokBraceOpen = 36,
    kGxTokBraceClose = 37,
    kGxTokBracketOpen = 38,
    kGxTokBracketClose = 39,
    kGxTokParenOpen = 40,
    kGxTokParenClose = 41,
    kGxTokEq = 42,
    kGxTokNe = 43,
    kGxTokGt = 44,
    kGxTokGe = 45,
    kGxTokLt = 46,
    kGxTokLe = 47,
    kGxTokAdd = 48,
    kGxTokConcat = 49,
    kGxTokSub = 50,
    kGxTokMul = 51,
    kGxTokDiv = 52,
    kGxTokMod = 53,
    kGxTokUnaryPlus = 54,
    kGxTokUnaryMinus = 55,
    kGxTokBitAnd = 56,
    kGxTokBitOr = 57,
    kGxTokBitXor = 58,
    kGxTokBitNot = 59,
    kGxTokShl = 60,
    kGxTokShr = 61,
    kGxTokNot = 62,
    kGxTokAndAnd = 63,
    kGxTokOrOr = 64,
    kGxTokPreInc = 65,
    kGxTokPreDec = 66,
    kGxTokPostInc = 67,
    kGxTokPostDec = 68,
    kGxTokAssign = 69,
    kGxTokAddAssign = 70,
    kGxTokConcatAssign = 71,
    kGxTokSubAssign = 72,
    kGxTokMulAssign = 73,
    kGxTokDivAssign = 74,
    kGxTokModAssign = 75,
    kGxTokAndAssign = 76,
    kGxTokOrAssign = 77,
    kGxTokXorAssign = 78,
    kGxTokQuestion = 79,
};

// Kinds of block that a `}` token closes (its integer).
constexpr s64 kGxMoaBlockEndIf = 3;
constexpr s64 kGxMoaBlockEndElse = 4;

// Scope codes of variables and definitions.
enum GxMoaScope : u32 {
    kGxScopeNone = 0,
    kGxScopeLocal = 1,
    kGxScopeStaticPerman = 2,
    kGxScopeStaticInGame = 3,
    kGxScopeStaticNoSave = 4,
    kGxScopeGlobalPerman = 5,
    kGxScopeGlobalInGame = 6,
    kGxScopeGlobalNoSave = 7,
    kGxScopeExternPerman = 8,
    kGxScopeExternInGame = 9,
    kGxScopeExternNoSave = 10,
};

// Storage classes: which variables a save, a load or a reset takes.
enum GxMoaStorageClass : u32 {
    kGxStorageAll = 0,
    kGxStoragePerman = 2,
    kGxStorageInGame = 3,
    kGxStorageNoSave = 4,
};

// Whether a variable of that scope belongs to the storage class.
bool GxMoaScopeInStorageClass(u32 scope, u32 storageClass);

// Opcodes of a compiled expression.
enum GxMoaOpcode : s32 {
    kGxOpNone = 0,
    kGxOpSeparator = 1,
    kGxOpPushInt = 2,
    kGxOpPushFloat = 3,
    kGxOpPushStr = 4,
    kGxOpPushNull = 5,
    kGxOpPushVar = 6,
    kGxOpPushVarAry = 7,
    kGxOpAlterVar = 8,
    kGxOpAlterVarAry = 9,
    kGxOpCallBuiltin = 10,
    kGxOpElement = 11,
    kGxOpElementNum = 12,
    kGxOpArrayInit = 13,
    kGxOpArrayIndex = 14,
    kGxOpEq = 15,
    kGxOpNe = 16,
    kGxOpGt = 17,
    kGxOpGe = 18,
    kGxOpLt = 19,
    kGxOpLe = 20,
    kGxOpAdd = 21,
    kGxOpConcat = 22,
    kGxOpSub = 23,
    kGxOpMul = 24,
    kGxOpDiv = 25,
    kGxOpMod = 26,
    kGxOpUnaryPlus = 27,
    kGxOpUnaryMinus = 28,
    kGxOpBitAnd = 29,
    kGxOpBitOr = 30,
    kGxOpBitXor = 31,
    kGxOpBitNot = 32,
    kGxOpShl = 33,
    kGxOpShr = 34,
    kGxOpNot = 35,
    kGxOpAndAnd = 36,
    kGxOpOrOr = 37,
    kGxOpPreInc = 38,
    kGxOpPreDec = 39,
    kGxOpPostInc = 40,
    kGxOpPostDec = 41,
    kGxOpAssign = 42,
    kGxOpAddAssign = 43,
    kGxOpConcatAssign = 44,
    kGxOpSubAssign = 45,
    kGxOpMulAssign = 46,
    kGxOpDivAssign = 47,
    kGxOpModAssign = 48,
    kGxOpAndAssign = 49,
    kGxOpOrAssign = 50,
    kGxOpXorAssign = 51,
    kGxOpLast = 51,
};

// Entries an opcode occupies in a list: itself and its operands.
inline int GxMoaOpcodeWidth(s32 opcode) {
    switch (opcode) {
    case kGxOpPushInt:
    case kGxOpPushFloat:
    case kGxOpPushStr:
    case kGxOpPushVar:
    case kGxOpPushVarAry:
    case kGxOpElementNum: return 2;
    case kGxOpCallBuiltin: return 3;
    default: return (opcode >= kGxOpPostInc && opcode <= kGxOpXorAssign) ? 3 : 1;
    }
}

// The largest array a script may index into; an index at or above it is an
// error rather than an allocation of gigabytes.
constexpr s32 kGxMoaMaxArrayElements = 1048576;
// How deeply stored arrays may nest; a deeper file is refused instead of
// running the reader off the stack.
constexpr int kGxMoaMaxStoredNesting = 256;
// How deeply an expression may nest (parentheses, unary operators, index
// terms) before the compiler refuses it.
constexpr int kGxMoaMaxExprDepth = 200;
