#include "media/sound/GxSoundPlayerStream.h"

namespace {

const GxPlayTexts kFileTexts{u"GxSoundPlayerStatic::PlayFromFile ローダー作成に失敗(%s)\n",
                             u"GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                             u"GxSoundPlayerStream::PlayFromFile シーク不可能な位置が指定されました(%s)\n"};
const GxPlayTexts kMemoryTexts{u"GxSoundPlayerStream::PlayFromMemory ローダー作成に失敗\n",
                               u"GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                               u"GxSoundPlayerStream::PlayFromMemory シーク不可能な位置が指定されました\n"};

} // namespace

GxSoundPlayerStream::~GxSoundPlayerStream() { Stop(); }

const GxPlayTexts& GxSoundPlayerStream::FileTexts() const { return kFileTexts; }

const GxPlayTexts& GxSoundPlayerStream::MemoryTexts() const { return kMemoryTexts; }

bool GxSoundPlayerStream::Stop() {
    // Released, not only stopped: its refill thread is joined before the
    // loader it reads goes.
    m_Buffer.Release();
    ClearPlayState();
    m_Loader.reset();
    return true;
}

bool GxSoundPlayerStream::StartBuffer(const GxPlayArgs<s32>& args, u32 startFrame, u32 loopStartFrame, s32 volume) {
    return m_Buffer.Start(args.loop, args.operationSet, startFrame, loopStartFrame, volume, args.pan);
}
