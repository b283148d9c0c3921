#include "media/movie/GxMovie.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"
#include "media/movie/GxMoviePlayerFile.h"
#include "platform/movie/container.h"
#include "platform/system/file_system.h"

GxMoviePlayerBase* GxMoviePlayerSlots[kGxMovieSlotCount] = {};

namespace {

GxMoviePlayerBase* PlayerIn(s32 slot) {
    return slot >= 0 && slot < kGxMovieSlotCount ? GxMoviePlayerSlots[slot] : nullptr;
}

} // namespace

namespace GxMovie {

bool Initialize() {
    for (GxMoviePlayerBase*& p : GxMoviePlayerSlots) p = nullptr;
    pmovie::initialize();
    return true;
}

bool RefuseUnplayable(GxStringView file) {
    GxFileHandle handle;
    if (GxFileOpen(&handle, file)) {
        const bool empty = handle.GetFullSize() == 0;
        GxFileClose(&handle);
        return empty;
    }
    // The file layer refuses what is not a regular file without waiting on it.
    if (GxFileExists(file) != kGxFileNotFound || psys::is_link(GxToNativePath(file)))
        GxWriteErrorLog(kGxMovieOpenFailedLine, file);
    return true;
}

bool Open(s32 slot, GxStringView file, GxTextureMovie* texture, bool dynamicTexture) {
    if (slot < 0 || slot >= kGxMovieSlotCount) return false;
    Close(slot);
    auto* player = new GxMoviePlayerFile();
    const bool built = player->Open(file, texture, dynamicTexture);
    GxMoviePlayerSlots[slot] = player;
    return built;
}

void Close(s32 slot) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    if (!p) return;
    p->Close();
    delete p;
    GxMoviePlayerSlots[slot] = nullptr;
}

bool Play(s32 slot, s32 loopCount, s32 volume) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    return p && p->Play(loopCount, volume);
}

bool Stop(s32 slot) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    return p && p->Stop();
}

bool StopAll() {
    for (GxMoviePlayerBase* p : GxMoviePlayerSlots)
        if (p) p->Stop();
    return true;
}

bool SetPosition(s32 slot, f64 seconds) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    if (!p) return false;
    p->SetPosition(seconds);
    return true;
}

f64 GetPosition(s32 slot) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    return p ? p->GetPosition() : 0.0;
}

s32 GetLoopCount(s32 slot) {
    GxMoviePlayerBase* p = PlayerIn(slot);
    return p ? p->GetLoopCount() : 0;
}

void SetLoopStart(s32 slot, f64 seconds) {
    if (GxMoviePlayerBase* p = PlayerIn(slot)) p->SetLoopStart(seconds);
}

bool Update() {
    for (GxMoviePlayerBase* p : GxMoviePlayerSlots)
        if (p) p->Update();
    return true;
}

void Shutdown() {
    for (s32 slot = 0; slot < kGxMovieSlotCount; ++slot) Close(slot);
}

} // namespace GxMovie
