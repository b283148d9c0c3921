#pragma once
// A scratch working folder with a fresh file system, a hand-driven clock and
// the null output pumped by hand; the back ends are shut down afterwards.
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/system/clock.h"
#include "tests/io/fs_fixture.h"
#include "tools/builders/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace soundtest {

class SoundTest : public iotest::FsTest {
protected:
    void SetUp() override {
        FsTest::SetUp();
        psys::set_current_clock(&m_Clock);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
    }
    void PutBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto p = m_Dir.path() / name;
        std::filesystem::create_directories(p.parent_path());
        qtest::WriteBytes(p, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    }
    void PutWav(const std::string& name, const std::vector<uint8_t>& pcm, const qtest::WavSpec& spec = {}) {
        PutBytes(name, qtest::BuildWav(spec, pcm));
    }
    bool Run(const std::string& command) { return qtest::RunIn(m_Dir.path(), command); }
    // Renders frames of the null output (interleaved stereo).
    std::vector<float> Pump(uint32_t frames) {
        std::vector<float> out(size_t(frames) * 2);
        paudio::output_device::instance().pump(frames, out.data());
        return out;
    }
    void AdvanceMs(uint32_t ms) { m_Clock.advance_us(uint64_t(ms) * 1000); }
    static int S16(float v) { return int(std::lround(v * 32768.0f)); }
    static uint32_t FrameAt(const std::vector<float>& out, size_t frame) {
        return qtest::CountingFrame(S16(out[frame * 2]), S16(out[frame * 2 + 1]));
    }

    psys::manual_clock m_Clock;
};

} // namespace soundtest
