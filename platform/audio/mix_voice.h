#pragma once
// What every voice of the mixer shares: reading its PCM region by region,
// resampling it to the mix rate with linear interpolation, and mixing it with
// per-channel gains that move to a new value over a few milliseconds instead
// of jumping, so that volume changes and stops do not click.
//
// Subclasses describe where the PCM lies as a chain of regions (a queued
// buffer and its loop passes; the stretches of a looping ring between
// notification positions); the reading position is a read_cursor, which can
// be copied to look ahead without consuming anything.
#include "platform/audio/wave_format.h"

#include <cstdint>

namespace paudio {

class mixer;

struct read_cursor {
    uint64_t pos = 0;    // frames from the region's first frame, 32.32 fixed point
    uint32_t item = 0;   // the subclass's meanings
    uint32_t phase = 0;
    uint32_t passes = 0;
    uint32_t start = 0;
};

struct pcm_span {
    const uint8_t* data = nullptr;  // the region's first frame
    uint32_t frames = 0;
};

class mix_voice {
public:
    mix_voice(const mix_voice&) = delete;
    mix_voice& operator=(const mix_voice&) = delete;

    const wave_format& format() const { return m_format; }
    mixer& owner() { return m_mixer; }

    // Frames of a fade-out tail and of a gain change.
    static constexpr uint32_t ramp_frames = mix_rate / 200;

protected:
    mix_voice(mixer& m, const wave_format& f);
    virtual ~mix_voice();

    // Deletes the voice: leaves a tail when it sounds, detaches it from the
    // mixer and frees it. No callback or event fires after this.
    void destroy_voice();

    // The region the cursor stands in; no frames when there is nothing.
    virtual pcm_span region(const read_cursor& c) = 0;
    // Moves the cursor to the start of the following region; false when none
    // follows (yet). With live set the voice acts on leaving the region
    // (buffer-end callbacks, notifications, the end of a one-time play).
    virtual bool next_region(read_cursor& c, bool live) = 0;
    // After a block was mixed from the live cursor.
    virtual void after_render(read_cursor&) {}
    // When the live cursor found no region at all.
    virtual void starved(read_cursor& c) { c.pos = 0; }

    // The mixer's gains for source channel s into output channel d; the
    // caller holds the mixer's lock.
    void set_gains(const float gains[2][2]);
    bool running() const { return m_running; }
    // A one-time play that reached its end: no tail, nothing left to fade.
    void ended() { m_running = false; }
    // Starting takes the gains at once; stopping while sounding leaves a tail.
    void set_running(bool on);
    // Leaves a tail of what the voice would play next when it sounds (before
    // its data goes away); true when one was left.
    bool leave_tail();

    mixer& m_mixer;
    wave_format m_format;
    read_cursor m_cursor;

private:
    friend class mixer;
    void render(float* out, uint32_t frames);
    // Source-channel frames at the mix rate from cursor c into dst; the frames
    // after the data ran out are 0. The number of frames that had data.
    uint32_t produce(read_cursor& c, float* dst, uint32_t frames, bool live);
    // Layout 1 is mono, 2 stereo, 0 more channels mixed down to stereo.
    template <int Bytes, int Layout>
    uint32_t produce_as(read_cursor& c, float* dst, uint32_t frames, bool live);
    // One frame as the mix takes it: one value for mono, else left and right.
    template <int Bytes, int Layout>
    void read_frame(const uint8_t* data, uint32_t frame, float* out) const;
    // The first frame after the region of cursor c, or false.
    template <int Bytes, int Layout>
    bool peek_following(const read_cursor& c, float* frame);
    // Mixes src (source channels) into out with the gains moving as they do.
    void apply_gains(const float* src, float* out, uint32_t frames, float current[2][2], float delta[2][2],
                     uint32_t& ramp_left, const float target[2][2]) const;

    uint64_t m_step;
    // Channels of what produce gives: 1 for mono, else 2.
    int m_mix_channels;
    float m_downmix[max_channels][2];
    float m_target[2][2] = {};
    float m_current[2][2] = {};
    float m_delta[2][2] = {};
    uint32_t m_ramp_left = 0;
    bool m_running = false;
};

} // namespace paudio
