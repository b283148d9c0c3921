#pragma once
// What the players of both audio back ends share, over their volume form
// (a float gain, or a DirectSound attenuation in hundredths of a decibel):
// timed fades, the play-start bookkeeping, and the play steps from a loader
// to a started buffer. Each back end's player base adds its buffer and its
// 3-D handling through the hooks.
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "base/GxVector.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "media/sound/GxSoundLoaderMemory.h"
#include "platform/audio/spatial.h"
#include "platform/system/clock.h"

#include <cmath>
#include <memory>

class GxWavData;

inline u32 GxSoundNowMs() { return u32(psys::now_ms()); }

// 3-D vectors count as changed only beyond the float epsilon in a component.
inline bool GxSoundVectorDiffers(const GxVector3& a, const GxVector3& b) {
    constexpr float kEpsilon = 1.1920928955078125e-7f;
    return std::fabs(a.x - b.x) > kEpsilon || std::fabs(a.y - b.y) > kEpsilon || std::fabs(a.z - b.z) > kEpsilon;
}
inline paudio::vec3 GxToAudioVector(const GxVector3& v) { return {v.x, v.y, v.z}; }

// The messages of one play operation; each may name the file with %s.
struct GxPlayTexts {
    const GxChar* loaderFailed = nullptr;
    const GxChar* empty = nullptr;  // null: an empty sound is not refused before the buffer
    const GxChar* cannotSeek = nullptr;
};

template <class Volume>
struct GxPlayArgs {
    s32 loop = 0;
    u32 operationSet = 0;
    u32 startMs = 0;
    u32 fadeInMs = 0;
    Volume volume{};
    s32 pan = 0;
    u32 loopStartMs = 0;
    bool use3D = false;
};

template <class Volume>
class GxSoundPlayerCore {
public:
    enum : s32 { kFadeNone = 0, kFadeIn = 1, kFadeOut = 2 };

    virtual ~GxSoundPlayerCore() = default;
    GxSoundPlayerCore(const GxSoundPlayerCore&) = delete;
    GxSoundPlayerCore& operator=(const GxSoundPlayerCore&) = delete;

    virtual bool Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual Volume GetVolume() = 0;

    // Copies the two vectors into the player and plays with them.
    bool PlayFromFile3D(GxStringView name, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume,
                        s32 pan, u32 loopStartMs, bool use3D, const GxVector3& position, const GxVector3& front) {
        m_Position = position;
        m_Front = front;
        return PlayFromFile(name, loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D, &m_Position,
                            &m_Front);
    }
    bool PlayFromFile3DA(const GxStringA& name, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume,
                         s32 pan, u32 loopStartMs, bool use3D, const GxVector3& position, const GxVector3& front) {
        return PlayFromFile3D(GxFromAnsi(name), loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D,
                              position, front);
    }
    bool PlayFromMemory3D(GxWavData* data, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume,
                          s32 pan, u32 loopStartMs, bool use3D, const GxVector3& position, const GxVector3& front) {
        m_Position = position;
        m_Front = front;
        return PlayFromMemory(data, loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D,
                              &m_Position, &m_Front);
    }
    // The position and front, when given, are followed by the 3-D update and
    // must outlive the play.
    bool PlayFromFile(GxStringView name, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume, s32 pan,
                      u32 loopStartMs, bool use3D = false, const GxVector3* position = nullptr,
                      const GxVector3* front = nullptr) {
        Stop();
        m_PositionSource = position;
        m_FrontSource = front;
        return PlayLoader(std::unique_ptr<GxSoundLoaderBase>(GxSoundLoaderBase::OpenFile(name)), name, FileTexts(),
                          GxPlayArgs<Volume>{loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D});
    }
    bool PlayFromFileA(const GxStringA& name, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume,
                       s32 pan, u32 loopStartMs, bool use3D = false, const GxVector3* position = nullptr,
                       const GxVector3* front = nullptr) {
        return PlayFromFile(GxFromAnsi(name), loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D,
                            position, front);
    }
    bool PlayFromMemory(GxWavData* data, s32 loop, u32 operationSet, u32 startMs, u32 fadeInMs, Volume volume, s32 pan,
                        u32 loopStartMs, bool use3D = false, const GxVector3* position = nullptr,
                        const GxVector3* front = nullptr) {
        Stop();
        m_PositionSource = position;
        m_FrontSource = front;
        return PlayLoader(OpenMemoryLoader(data), u"", MemoryTexts(),
                          GxPlayArgs<Volume>{loop, operationSet, startMs, fadeInMs, volume, pan, loopStartMs, use3D});
    }

    // From the current volume to silence over ms, then stop; 0 stops at once.
    virtual bool FadeOut(u32 ms) {
        if (ms == 0) return Stop();
        m_FadeStartTime = GxSoundNowMs();
        m_FadeEndVolume = m_Silent;
        m_FadeStartVolume = GetVolume();
        m_FadeDuration = ms;
        m_FadeState = kFadeOut;
        return true;
    }
    // During a fade-in it moves where the fade ends, during a fade-out where
    // it starts; otherwise it sets the volume at once.
    virtual bool SetVolume(Volume v) {
        if (m_FadeState == kFadeIn) {
            m_FadeEndVolume = v;
            return true;
        }
        if (m_FadeState == kFadeOut) {
            m_FadeStartVolume = v;
            return true;
        }
        return SetVoiceVolume(v);
    }
    virtual u32 GetTimePastFadeEnd() {
        if (m_FadeStartTime == 0) return 0;
        const u32 elapsed = GxSoundNowMs() - m_FadeStartTime;
        return elapsed <= m_FadeDuration ? 0 : elapsed - m_FadeDuration;
    }
    virtual Volume GetFadeEndVolume() { return m_FadeEndVolume; }
    virtual s32 GetFadeState() { return m_FadeStartTime ? m_FadeState : kFadeNone; }
    virtual u32 GetStartTime() { return m_PlayStartTime; }
    virtual u32 GetLengthMs() { return m_LengthMs; }
    virtual bool FinishFade() {
        if (m_FadeState == kFadeNone) return true;
        SetVoiceVolume(m_FadeEndVolume);
        const bool stop = m_FadeState == kFadeOut;
        m_FadeState = kFadeNone;
        m_FadeStartTime = 0;
        if (stop) Stop();
        return true;
    }
    // The service pass: moves a fade on, stops at a fade-out's end.
    virtual bool Update() {
        if (!IsPlaying()) {
            ReleaseIdleVoice();
            return false;
        }
        if (m_FadeState == kFadeNone) return true;
        if (m_FadeStartTime == 0 || m_FadeDuration == 0) {
            m_FadeState = kFadeNone;
            return true;
        }
        const u32 elapsed = GxSoundNowMs() - m_FadeStartTime;
        if (elapsed < m_FadeDuration) {
            const double t = double(elapsed) / double(m_FadeDuration);
            SetVoiceVolume(Volume(double(m_FadeStartVolume) + double(m_FadeEndVolume - m_FadeStartVolume) * t));
            return true;
        }
        const bool stop = m_FadeState == kFadeOut;
        m_FadeState = kFadeNone;
        m_FadeStartTime = 0;
        SetVoiceVolume(m_FadeEndVolume);
        if (stop) Stop();
        return true;
    }

protected:
    explicit GxSoundPlayerCore(Volume silent) : m_Silent(silent), m_FadeEndVolume(silent), m_FadeStartVolume(silent) {}

    virtual bool SetVoiceVolume(Volume v) = 0;
    virtual const GxPlayTexts& FileTexts() const = 0;
    virtual const GxPlayTexts& MemoryTexts() const = 0;
    // A player that is found no longer playing.
    virtual void ReleaseIdleVoice() {}
    // Makes the buffer for the opened loader.
    virtual bool CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<Volume>& args) = 0;
    // A streaming player keeps the loader it plays from; others let it go.
    virtual void KeepLoader(std::unique_ptr<GxSoundLoaderBase>) {}
    // Takes the 3-D choice of the play (m_Use3D is set just before).
    virtual void Setup3D(u32 sourceChannels) = 0;
    virtual bool StartBuffer(const GxPlayArgs<Volume>& args, u32 startFrame, u32 loopStartFrame, Volume volume) = 0;

    void ClearPlayState() {
        m_FadeStartTime = 0;
        m_FadeEndVolume = m_FadeStartVolume = m_Silent;
        m_FadeDuration = 0;
        m_FadeState = kFadeNone;
        m_PlayStartTime = m_StartPos = m_LoopStartPos = m_LengthMs = m_LengthSamples = 0;
    }

    static std::unique_ptr<GxSoundLoaderBase> OpenMemoryLoader(GxWavData* data) {
        auto loader = std::make_unique<GxSoundLoaderMemory>();
        if (!loader->Open(data)) return nullptr;
        return loader;
    }

    // The play steps after Stop: the loader (null when it could not be made
    // or opened), the buffer, the start and loop positions, the fade, the
    // start. Every failure leaves the player stopped.
    bool PlayLoader(std::unique_ptr<GxSoundLoaderBase> loader, GxStringView name, const GxPlayTexts& texts,
                    const GxPlayArgs<Volume>& args) {
        if (!loader) {
            GxWriteWarningLog(texts.loaderFailed, name);
            return false;
        }
        if (texts.empty && loader->GetLengthBytes() == 0) {
            loader->Close();
            GxWriteWarningLog(texts.empty, name);
            return false;
        }
        if (!CreateBufferFor(loader.get(), args)) return false;
        const u32 rate = loader->GetFormat().samples_per_sec;
        const u32 channels = loader->GetFormat().channels;
        const u32 length = loader->GetLengthSamples();
        const u32 lengthMs = loader->GetLengthMs();
        const u32 startFrame = MillisecondsToFrames(args.startMs, rate);
        u32 loopStartFrame = MillisecondsToFrames(args.loopStartMs, rate);
        KeepLoader(std::move(loader));
        if (startFrame >= length) {
            GxWriteWarningLog(texts.cannotSeek, name);
            Stop();
            return false;
        }
        if (loopStartFrame >= length) loopStartFrame = 0;
        m_LengthSamples = length;
        m_LengthMs = lengthMs;
        m_Use3D = args.use3D;
        Setup3D(channels);
        const u32 now = GxSoundNowMs();
        if (args.fadeInMs == 0) {
            m_FadeStartTime = 0;
            m_FadeStartVolume = m_FadeEndVolume = args.volume;
            m_FadeState = kFadeNone;
        } else {
            m_FadeStartTime = now;
            m_FadeEndVolume = args.volume;
            m_FadeStartVolume = m_Silent;
            m_FadeDuration = args.fadeInMs;
            m_FadeState = kFadeIn;
        }
        m_PlayStartTime = now;
        m_StartPos = args.startMs;
        m_LoopStartPos = args.loopStartMs;
        return StartBuffer(args, startFrame, loopStartFrame, m_FadeStartVolume);
    }

    const Volume m_Silent;
    u32 m_FadeStartTime = 0;
    Volume m_FadeEndVolume;
    Volume m_FadeStartVolume;
    u32 m_FadeDuration = 0;
    u32 m_PlayStartTime = 0;
    u32 m_StartPos = 0;
    u32 m_LoopStartPos = 0;
    u32 m_LengthMs = 0;
    u32 m_LengthSamples = 0;
    s32 m_FadeState = kFadeNone;
    // The 3-D emitter: its position and front, the sources they follow, and
    // whether the 3-D update runs for the player.
    GxVector3 m_Position;
    GxVector3 m_Front{0.0f, 0.0f, 1.0f};
    const GxVector3* m_PositionSource = nullptr;
    const GxVector3* m_FrontSource = nullptr;
    bool m_Use3D = true;
};
