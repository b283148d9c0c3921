#pragma once
// The module state and the operations both audio back ends share, over their
// player classes and volume form: 32 stream channels (0 and 1 the music's
// cross-fade pair), 16 static players that only the service pass and the
// shutdown touch, and up to 16 one-shots played whole from the back end's
// sound cache and deleted by the service pass once they have ended. One lock
// (re-entrant) guards every operation; the ready flag is tested under it.
#include "base/GxMutex.h"
#include "base/GxVector.h"
#include "media/sound/GxSoundCache.h"
#include "media/sound/GxSoundPlayerCore.h"

#include <list>
#include <memory>

template <class StreamPlayer, class StaticPlayer, class Volume>
class GxSoundBackEnd {
public:
    static constexpr u32 kStreamChannels = 32;
    static constexpr u32 kStaticPlayers = 16;
    static constexpr u32 kMaxOneShots = 16;
    // The same file does not start again as a one-shot within this time.
    static constexpr u32 kOneShotRepeatMs = 4;

    GxMutex m_Lock;
    bool m_Ready = false;
    bool m_Use3D = false;
    int m_ComCount = 0;
    std::unique_ptr<StreamPlayer> m_Streams[kStreamChannels];
    std::unique_ptr<StaticPlayer> m_Statics[kStaticPlayers];
    std::list<std::unique_ptr<StaticPlayer>> m_OneShots;
    GxSoundCache m_Cache;
    // The listener as requested and as last applied.
    GxVector3 m_ListenerPosition, m_ListenerFront, m_ListenerTop, m_ListenerVelocity;
    GxVector3 m_AppliedPosition, m_AppliedFront, m_AppliedTop;

    // Resets the listener and makes the players (before the ready flag).
    void Begin(bool use3D) {
        m_Ready = false;
        m_Use3D = use3D;
        m_ComCount = 0;
        m_ListenerPosition = m_AppliedPosition = m_ListenerVelocity = GxVector3(0.0f, 0.0f, 0.0f);
        m_ListenerFront = m_AppliedFront = GxVector3(0.0f, 0.0f, 1.0f);
        m_ListenerTop = m_AppliedTop = GxVector3(0.0f, 1.0f, 0.0f);
        for (auto& p : m_Streams) p = std::make_unique<StreamPlayer>();
        for (auto& p : m_Statics) p = std::make_unique<StaticPlayer>();
        m_OneShots.clear();
    }
    // Stops the static players, then the stream players, deletes the
    // one-shots, then every player (joining their threads) and the cache.
    void End() {
        for (auto& p : m_Statics)
            if (p) p->Stop();
        for (auto& p : m_Streams)
            if (p) p->Stop();
        m_OneShots.clear();
        for (auto& p : m_Statics) p.reset();
        for (auto& p : m_Streams) p.reset();
        m_Cache.Clear();
        m_Ready = false;
    }

    bool PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, Volume volume, s32 pan,
                    u32 loopStartMs) {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready || channel >= kStreamChannels) return false;
        return PlayOn(channel, file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
    }

    // The old piece fades out over the new piece's fade-in time.
    bool PlayBGM(GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, Volume volume, s32 pan, u32 loopStartMs) {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready) return false;
        const bool first = m_Streams[0]->IsPlaying(), second = m_Streams[1]->IsPlaying();
        u32 channel = 0;
        if (first && !second) {
            FadeOutStream(0, fadeInMs);
            channel = 1;
        } else if (second) {
            FadeOutStream(1, fadeInMs);
        }
        return PlayOn(channel, file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
    }

    bool StopStream(u32 channel) {
        GxMutexScopedLock lock(m_Lock);
        return m_Ready && channel < kStreamChannels && m_Streams[channel]->Stop();
    }
    bool FadeOutStream(u32 channel, u32 ms) {
        GxMutexScopedLock lock(m_Lock);
        return m_Ready && channel < kStreamChannels && m_Streams[channel]->FadeOut(ms);
    }
    bool FadeOutBGM(u32 ms) {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready) return false;
        for (u32 channel = 0; channel < 2; ++channel)
            if (m_Streams[channel]->IsPlaying()) FadeOutStream(channel, ms);
        return true;
    }
    bool SetStreamVolume(u32 channel, Volume volume) {
        GxMutexScopedLock lock(m_Lock);
        return m_Ready && channel < kStreamChannels && m_Streams[channel]->SetVolume(volume);
    }
    bool IsStreamPlaying(u32 channel) {
        GxMutexScopedLock lock(m_Lock);
        return m_Ready && channel < kStreamChannels && m_Streams[channel]->IsPlaying();
    }

    // play starts the new static player from the cached sound.
    template <class Play>
    bool PlayOneShot(u32* serial, GxStringView file, Play&& play) {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready || m_OneShots.size() >= kMaxOneShots) return false;
        if (GxSoundNowMs() - m_Cache.GetLastStartTime(file) < kOneShotRepeatMs) return false;
        GxWavData* data = m_Cache.Load(file);
        if (!data) return false;
        m_OneShots.push_back(std::make_unique<StaticPlayer>());
        StaticPlayer& player = *m_OneShots.back();
        if (serial) *serial = player.GetSerial();
        const bool result = play(player, data);
        // The player holds its own copy of the sound by now.
        m_Cache.Release(file);
        return result;
    }

    bool StopAllOneShots() {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready) return false;
        m_OneShots.clear();
        return true;
    }

    bool Update() {
        GxMutexScopedLock lock(m_Lock);
        if (!m_Ready) return false;
        for (auto& p : m_Statics) p->Update();
        for (auto& p : m_Streams) p->Update();
        for (auto it = m_OneShots.begin(); it != m_OneShots.end();) {
            (*it)->Update();
            if ((*it)->IsPlaying()) {
                ++it;
            } else {
                it = m_OneShots.erase(it);
            }
        }
        return true;
    }

    // Copies the requested listener vectors that differ into the applied
    // ones; true when any did.
    bool ApplyListener() {
        bool changed = false;
        auto take = [&](const GxVector3& requested, GxVector3& applied) {
            if (!GxSoundVectorDiffers(requested, applied)) return;
            applied = requested;
            changed = true;
        };
        take(m_ListenerPosition, m_AppliedPosition);
        take(m_ListenerFront, m_AppliedFront);
        take(m_ListenerTop, m_AppliedTop);
        return changed;
    }

    u32 GetOneShotCount() {
        GxMutexScopedLock lock(m_Lock);
        return u32(m_OneShots.size());
    }

private:
    bool PlayOn(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, Volume volume, s32 pan,
                u32 loopStartMs) {
        return m_Streams[channel]->PlayFromFile3D(file, loop, 0, startMs, fadeInMs, volume, pan, loopStartMs, false,
                                                  GxVector3(0.0f, 0.0f, 0.0f), GxVector3(0.0f, 0.0f, 1.0f));
    }
};
