#include "script/GxMoaSystem.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxBinBuffer.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentCompressedBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "io/GxFileSystem.h"
#include "platform/system/process_launch.h"
#include "script/GxMoaBuiltinDefault.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorkerEx.h"

#include <memory>

GxMoaEx* g_pMoa = nullptr;
GxMoaWorkerEx* g_pMoaMainWorker = nullptr;
GxMoaBuiltinDefault* g_pMoaBuiltinDefault = nullptr;
GxMoaFunctionBinder* g_pMoaFunctionBinder = nullptr;

namespace {
template <class T>
void DeleteGlobal(T*& global) {
    delete global;
    global = nullptr;
}
} // namespace

bool GxMoaStartup(GxCoreBase* core) {
    GxMoaShutdown();
    g_pMoa = new GxMoaEx();
    g_pMoaMainWorker = new GxMoaWorkerEx(g_pMoa, core);
    g_pMoaBuiltinDefault = new GxMoaBuiltinDefault();
    g_pMoaFunctionBinder = new GxMoaFunctionBinder();
    return g_pMoaBuiltinDefault->RegisterBuiltins(g_pMoaFunctionBinder);
}

void GxMoaShutdown() {
    DeleteGlobal(g_pMoaFunctionBinder);
    DeleteGlobal(g_pMoaBuiltinDefault);
    DeleteGlobal(g_pMoaMainWorker);
    DeleteGlobal(g_pMoa);
}

u32 RunScriptCompiler() {
    const GxString cwd = GxGetCurrentDirectory();
    const std::string program = GxToNativePath(GxGetFullPath(u"brelkit.exe"));
    const psys::exit_status status = psys::run_and_wait(
        {program, GxToNativePath(cwd + u"scripts"), GxToNativePath(cwd + u"bincode"), "-a", "-mc"});
    if (!status.started) {
        GxWriteErrorLog(u"スクリプトコンパイラの起動に失敗しました\n");
        return 1;
    }
    // Death by a signal is a failed compilation too.
    const u32 code = status.signalled ? 1 : u32(status.code);
    if (code != 0) GxWriteErrorLog(u"コンパイル時にエラーが発生したため古いスクリプトを実行しています\n");
    return code;
}

bool LoadMoaBincode() {
    if (!g_pMoa) return false;
    constexpr const GxChar* kPath = u"bincode/moacode.mwb";
    GxBinBuffer buffer;
    GxLoadFile(&buffer, kPath, false, false, kGxMoaBundleMaxSize);
    if (buffer.GetSize() == 0) return false;

    std::unique_ptr<GxContentReaderBase> reader;
    const char* magic = nullptr;
    switch (buffer.GetHeadByte()) {
    case 'T':
        reader = std::make_unique<GxContentTextReader>(buffer, true);
        magic = "TMOA";
        break;
    case 'B':
        reader = std::make_unique<GxContentBinaryReader>(buffer, true);
        magic = "BMOA";
        break;
    case 'Z':
        reader = std::make_unique<GxContentCompressedBinaryReader>(buffer, true);
        magic = "ZMOA";
        break;
    default:
        GxWriteErrorLog(u"BINCODEが古いバージョンです。新しいバージョンのスクリプトコンパイラを使用してください\n");
        GxWriteErrorLog(u"それでもうまく動かないときはbincodeの中の modlist.dat を削除してみてください\n");
        return false;
    }
    reader->SetSourceName(kPath);
    u32 version = 0;
    if (!reader->ReadHeader(magic, &version)) {
        GxWriteErrorLog(u"BINCODEのヘッダが異なります。新しいバージョンのスクリプトコンパイラを使用してください\n");
        return false;
    }
    const bool ok = g_pMoa->ReadBundle(reader.get());
    reader.reset();
    if (ok) {
        g_pMoa->InitExternVariables();
        if (g_pMoaMainWorker) g_pMoaMainWorker->InitGlobalVariables();
    } else {
        GxWriteErrorLog(u"スクリプトが正しく読み込めませんでした\n");
    }
    return ok;
}
