#include "media/sound/GxSoundPlayerStatic.h"

namespace {

const GxPlayTexts kFileTexts{u"GxSoundPlayerStatic::PlayFromFile ローダー作成に失敗(%s)\n",
                             u"GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                             u"GxSoundPlayerStatic::PlayFromFile シーク不可能な位置が指定されました(%s)\n"};
const GxPlayTexts kMemoryTexts{u"GxSoundPlayerStatic::PlayFromMemory ローダー作成に失敗\n",
                               u"GxSoundPlayerStatic::PlayFromFile 長さ0のファイルを再生しようとしました(%s)\n",
                               u"GxSoundPlayerStatic::PlayFromMemory シーク不可能な位置が指定されました\n"};

} // namespace

GxSoundPlayerStatic::~GxSoundPlayerStatic() { Stop(); }

const GxPlayTexts& GxSoundPlayerStatic::FileTexts() const { return kFileTexts; }

const GxPlayTexts& GxSoundPlayerStatic::MemoryTexts() const { return kMemoryTexts; }

bool GxSoundPlayerStatic::Stop() {
    m_Buffer.Stop();
    m_Buffer.Release();
    ClearPlayState();
    return true;
}

bool GxSoundPlayerStatic::StartBuffer(const GxPlayArgs<s32>& args, u32 startFrame, u32, s32 volume) {
    return m_Buffer.Start(args.loop, args.operationSet, startFrame, volume, args.pan);
}
