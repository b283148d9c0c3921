#include "script/GxMoaDebugNames.h"

#include "base/GxFormat.h"
#include "script/GxMoaVariable.h"

#include <iterator>

GxString GxMoaScopeName(u32 scope) {
    static const GxChar* const kNames[] = {
        u"NONE",          u"LOCAL",         u"STATIC_PERMAN", u"STATIC_INGAME",
        u"STATIC_NOSAVE", u"GLOBAL_PERMAN", u"GLOBAL_INGAME", u"GLOBAL_NOSAVE",
        u"EXTERN_PERMAN", u"EXTERN_INGAME", u"EXTERN_NOSAVE",
    };
    return scope < std::size(kNames) ? kNames[scope] : u"ERROR";
}

GxString GxMoaValueTypeName(u32 valueType) {
    switch (valueType) {
    case kGxMoaInt: return u"Int";
    case kGxMoaFloat: return u"Float";
    case kGxMoaStr: return u"Str";
    case kGxMoaArray: return u"Array";
    case kGxMoaRefVar: return u"RefVar";
    case kGxMoaOpcode: return u"Opcode";
    case kGxMoaNull: return u"Null";
    default: return u"Unknown";
    }
}

GxString GxMoaTokenTypeName(u32 tokenType) {
    static const GxChar* const kNames[] = {
        u"未定義", u"組み込み関数名", u"不明文字列", u"整数値", u"小数値", u"文字列", u"NULL", u"ラベル宣言",
        u"テキスト", u"変数名", u"配列変数名", u"&変数名", u"&配列変数名", u"ARRAY", u"コマンド開始",
        u"ブレークポイント", u"ヒアドキュメント終端", u"スクリプト終端", u"DEFINE", u"BUILTIN", nullptr,
        u"STATIC", u"GLOBAL", u"EXTERN", u"NOSAVE", u"INGAME", u"PERMAN", u"IF", u"ELSE", u"WHILE", u"FOR",
        u"DO", u"CONTINUE", u"BREAK", u";", u",", u"{", u"}", u"[", u"]", u"(", u")", u"==", u"!=", u">",
        u">=", u"<", u"<=", u"+", u":", u"-", u"*", u"/", u"%", u"単項+", u"単項-", u"&", u"|", u"^", u"~",
        u"<<", u">>", u"!", u"&&", u"||", u"++単項", u"--単項", u"単項++", u"単項--", u"=", u"+=", u":=",
        u"-=", u"*=", u"/=", u"%=", u"&=", u"|=", u"^=", u"?",
    };
    static_assert(std::size(kNames) == 80);
    if (tokenType < std::size(kNames) && kNames[tokenType]) return kNames[tokenType];
    return u"**不明トークン**";
}

GxString GxMoaOpcodeName(u32 opcode) {
    static const GxChar* const kNames[] = {
        u"NONE", u"セパレータ", u"PUSH_INT", u"PUSH_FLT", u"PUSH_STR", u"PUSH_NULL", u"PUSH_VAR",
        u"PUSH_VARARY", u"OPC_ALTER_VAR", u"OPC_ALTER_VARARY", u"CALL_BUILTIN", u"ELEMENT", u"ELEMENTNUM",
        u"ARRAYINIT", u"ARRAYINDEX", u"==", u"!=", u">", u">=", u"<", u"<=", u"+", u":", u"-", u"*", u"/",
        u"%", u"単項+", u"単項-", u"&", u"|", u"^", u"単項~", u"<<", u">>", u"単項!", u"&&", u"||",
        u"++単項", u"--単項", u"単項++", u"単項--", u"=", u"+=", u":=", u"-=", u"*=", u"/=", u"%=", u"&=",
        u"|=", u"^=",
    };
    static_assert(std::size(kNames) == 52);
    return opcode < std::size(kNames) ? kNames[opcode] : u"ERROR";
}

GxString* GxMoaDumpVariable(GxString* out, const GxMoaVariable& value, const GxChar* name, int indent) {
    GxString text;
    for (int i = 0; i < indent; ++i) text += u"  ";
    if (name) {
        text += u'$';
        text += name;
    }
    const u32 type = value.GetType();
    switch (type) {
    case kGxMoaInt:
    case kGxMoaFloat: text += GxFormat(u"=%s(%s)\n", value.ToString(), GxMoaValueTypeName(type)); break;
    case kGxMoaStr: text += GxFormat(u"=\"%s\"(%s)\n", value.ToString(), GxMoaValueTypeName(type)); break;
    case kGxMoaOpcode: text += GxFormat(u"=%s(%s)\n", GxMoaOpcodeName(u32(value.GetOpcode())), u"Opcode"); break;
    case kGxMoaArray: {
        text += GxFormat(u"[%d]=(Array)\n", value.GetArraySize());
        const auto* elements = value.GetArray();
        GxString line;
        for (size_t i = 0; i < elements->size(); ++i) {
            const GxString elementName = GxFormat(u"[%d]", int(i));
            text += *GxMoaDumpVariable(&line, (*elements)[i], elementName.c_str(), indent + 1);
        }
        break;
    }
    case kGxMoaNull: text += u"=Null\n"; break;
    default: text += u"=Unknown\n"; break;
    }
    *out = std::move(text);
    return out;
}

void GxMoaWriteDumpText(FILE* file, GxStringView text) {
    if (!file) return;
    std::string bytes;
    bytes.reserve(text.size() * 2 + 16);
    auto put = [&bytes](GxChar c) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    };
    for (GxChar c : text) {
        if (c == u'\n') put(u'\r');
        put(c);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
}
