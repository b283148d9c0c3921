#include "media/sound/GxAudioPlayerStatic.h"

namespace {

const GxPlayTexts kFileTexts{u"GxAudioPlayerStatic::PlayFromFile ローダー作成に失敗(%s)\n", nullptr,
                             u"GxAudioPlayerStatic::PlayFromFile シーク不可能な位置が指定されました(%s)\n"};
const GxPlayTexts kMemoryTexts{u"GxAudioPlayerStatic::PlayFromMemory ローダー作成に失敗\n", nullptr,
                               u"GxAudioPlayerStatic::PlayFromMemory シーク不可能な位置が指定されました\n"};

} // namespace

GxAudioPlayerStatic::~GxAudioPlayerStatic() { Stop(); }

const GxPlayTexts& GxAudioPlayerStatic::FileTexts() const { return kFileTexts; }

const GxPlayTexts& GxAudioPlayerStatic::MemoryTexts() const { return kMemoryTexts; }

bool GxAudioPlayerStatic::Stop() {
    m_Buffer.Stop();
    m_Buffer.Release();
    ClearPlayState();
    return true;
}

void GxAudioPlayerStatic::ReleaseIdleVoice() {
    if (m_Buffer.HoldsSound()) m_Buffer.Release();
}

bool GxAudioPlayerStatic::CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<float>&) {
    return m_Buffer.Create(loader);
}

bool GxAudioPlayerStatic::StartBuffer(const GxPlayArgs<float>& args, u32 startFrame, u32, float volume) {
    return m_Buffer.Start(args.loop, args.operationSet, startFrame, volume, args.pan);
}
