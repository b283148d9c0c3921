#include "media/sound/GxAudioPlayerStream.h"

namespace {

const GxPlayTexts kFileTexts{u"GxAudioPlayerStatic::PlayFromFile ローダー作成に失敗(%s)\n", nullptr,
                             u"GxAudioPlayerStream::PlayFromFile シーク不可能な位置が指定されました(%s)\n"};
const GxPlayTexts kMemoryTexts{u"GxAudioPlayerStream::PlayFromMemory ローダー作成に失敗\n", nullptr,
                               u"GxAudioPlayerStream::PlayFromMemory シーク不可能な位置が指定されました\n"};

} // namespace

GxAudioPlayerStream::~GxAudioPlayerStream() { Stop(); }

const GxPlayTexts& GxAudioPlayerStream::FileTexts() const { return kFileTexts; }

const GxPlayTexts& GxAudioPlayerStream::MemoryTexts() const { return kMemoryTexts; }

bool GxAudioPlayerStream::Stop() {
    m_Buffer.Reset();
    ClearPlayState();
    m_Loader.reset();
    return true;
}

bool GxAudioPlayerStream::CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<float>&) {
    return m_Buffer.Create(loader);
}

bool GxAudioPlayerStream::StartBuffer(const GxPlayArgs<float>& args, u32 startFrame, u32 loopStartFrame,
                                      float volume) {
    return m_Buffer.Start(args.loop, args.operationSet, startFrame, loopStartFrame, volume, args.pan);
}
