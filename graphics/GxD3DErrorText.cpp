#include "graphics/GxD3DErrorText.h"

#include "base/GxFormat.h"

namespace {

struct CodeText {
    u32 code;
    const GxChar* text;
};

const CodeText kErrorTexts[] = {
    {0x00000000u, u"エラーは発生していません"},
    {0x80004001u, u"実装されていません。"},
    {0x80004002u, u"利用可能なオブジェクトインターフェイスがありません。"},
    {0x80004005u, u"Direct3D サブシステム内でエラーが発生しました。"},
    {0x8007000Eu, u"Direct3D が呼び出しを完了するための十分なメモリを割り当てることができませんでした。"},
    {0x80070057u, u"無効なパラメータが関数に渡されました。"},
    {0x8876017Cu, u"Direct3D が処理を行うのに十分なディスプレイメモリがありません。"},
    {0x88760818u, u"テクスチャサーフェイスのピクセルフォーマットが無効です。"},
    {0x88760819u, u"色値に対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {0x8876081Au, u"色値に対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {0x8876081Bu, u"アルファ チャンネルに対して指定されているテクスチャブレンディング処理を、デバイスがサポートしていません。"},
    {0x8876081Cu, u"アルファ チャンネルに対して指定されているテクスチャブレンディング引数を、デバイスがサポートしていません。"},
    {0x8876081Du, u"デバイスがサポートしている数より多くのテクスチャフィルタリング処理を、アプリケーションが要求しています。"},
    {0x8876081Eu, u"現在のテクスチャフィルタは同時に使えません。"},
    {0x8876081Fu, u"デバイスが指定されたテクスチャ係数値をサポートしていません。"},
    {0x88760821u, u"現在設定されているレンダリング ステートは同時に使えません。"},
    {0x88760822u, u"デバイスが指定されたテクスチャフィルタをサポートしていません。"},
    {0x88760826u, u"現在のテクスチャは同時に使えません。パレットの共有ができません。"},
    {0x88760827u, u"内部ドライバ エラー。"},
    {0x88760866u, u"要求された項目が見つかりませんでした。"},
    {0x88760867u, u"指定されたバッファサイズに保持できる以上のデータが存在します。"},
    {0x88760868u, u"デバイスは消失していますが現在リセットできません。レンダリングは不可能です。"},
    {0x88760869u, u"デバイスは消失していますが、現在リセットできます。"},
    {0x8876086Au, u"このデバイスは問い合わせたテクニックをサポートしていません。"},
    {0x8876086Bu, u"要求されたデバイスタイプが無効です。"},
    {0x8876086Cu, u"メソッドの呼び出しが無効です。例えばメソッドのパラメータが有効なポインタではありません。"},
    {0x88760B54u, u"インデックス バッファを変更できません。"},
    {0x88760B55u, u"メッシュが無効です。"},
    {0x88760B56u, u"最適化テクニックとして、属性のソート (D3DXMESHOPT_ATTRSORT) はサポートされていません。"},
    {0x88760B57u, u"スキニングがサポートされていません。"},
    {0x88760B58u, u"指定された影響が多すぎます。"},
    {0x88760B59u, u"データが無効です。"},
    {0x88760B5Au, u"メッシュにデータが含まれていません。"},
    {0x88760B5Bu, u"同じ名前のフラグメントが既に存在しています。"},
    {0x88760B5Cu, u"最後の項目が削除できません。"},
};

constexpr u32 FourCC(char a, char b, char c, char d) {
    return u32(u8(a)) | u32(u8(b)) << 8 | u32(u8(c)) << 16 | u32(u8(d)) << 24;
}

const CodeText kFormatNames[] = {
    {0, u"UNKNOWN"},
    {20, u"R8G8B8"},
    {21, u"A8R8G8B8"},
    {22, u"X8R8G8B8"},
    {23, u"R5G6B5"},
    {24, u"X1R5G5B5"},
    {25, u"A1R5G5B5"},
    {26, u"A4R4G4B4"},
    {27, u"R3G3B2"},
    {28, u"A8"},
    {29, u"A8R3G3B2"},
    {30, u"X4R4G4B4"},
    {31, u"A2B10G10R10"},
    {32, u"A8B8G8R8"},
    {33, u"X8B8G8R8"},
    {34, u"G16R16"},
    {35, u"A2R10G10B10"},
    {36, u"A16B16G16R16"},
    {40, u"A8P8"},
    {41, u"P8"},
    {50, u"L8"},
    {81, u"L16"},
    {51, u"A8L8"},
    {52, u"A4L4"},
    {60, u"V8U8"},
    {63, u"Q8W8V8U8"},
    {64, u"V16U16"},
    {110, u"Q16W16V16U16"},
    {117, u"CxV8U8"},
    {61, u"L6V5U5"},
    {62, u"X8L8V8U8"},
    {67, u"A2W10V10U10"},
    {70, u"D16_LOCKABLE"},
    {71, u"D32"},
    {73, u"D15S1"},
    {75, u"D24S8"},
    {77, u"D24X8"},
    {79, u"D24X4S4"},
    {82, u"D32F_LOCKABLE"},
    {83, u"D24FS8"},
    {80, u"D16"},
    {100, u"VERTEXDATA"},
    {101, u"INDEX16"},
    {102, u"INDEX32"},
    {111, u"R16F"},
    {112, u"G16R16F"},
    {113, u"A16B16G16R16F"},
    {114, u"R32F"},
    {115, u"G32R32F"},
    {116, u"A32B32G32R32F"},
    {FourCC('D', 'X', 'T', '1'), u"DXT1"},
    {FourCC('D', 'X', 'T', '2'), u"DXT2"},
    {FourCC('D', 'X', 'T', '3'), u"DXT3"},
    {FourCC('D', 'X', 'T', '4'), u"DXT4"},
    {FourCC('D', 'X', 'T', '5'), u"DXT5"},
    {FourCC('Y', 'U', 'Y', '2'), u"YUY2"},
    {FourCC('U', 'Y', 'V', 'Y'), u"UYVY"},
    {FourCC('R', 'G', 'B', 'G'), u"R8G8_B8G8"},
    {FourCC('G', 'R', 'G', 'B'), u"G8R8_G8B8"},
};

} // namespace

GxString GxGetD3DErrorText(u32 code) {
    for (const CodeText& e : kErrorTexts)
        if (e.code == code) return e.text;
    return GxFormat(u"未知のエラーです。(code:0x%x)", code);
}

GxString GxGetFormatName(u32 format) {
    for (const CodeText& f : kFormatNames)
        if (f.code == format) return GxString(u"D3DFMT_") + f.text;
    return u"ERROR";
}

void GxWriteResourceFailure(GxLogKind log, const GxChar* kind, const GxChar* what, GxStringView name, u32 width,
                            u32 height, prender::result r, GxStringView reason) {
    const GxChar* format = u"Error/%s %s Failed(Name:\"%s\" Size:%d,%d %s)\n";
    GxString text = GxGetD3DErrorText(u32(r));
    if (!reason.empty()) text += u" " + GxString(reason);
    if (log == GxLogKind::Warning)
        GxWriteWarningLog(format, kind, what, name, width, height, text);
    else
        GxWriteErrorLog(format, kind, what, name, width, height, text);
}
