#pragma once
// A started device layer inside a scratch working folder, for tests that read
// image files through the file system.
#include "graphics_fixture.h"

#include "base/GxLog.h"
#include "engine/GxProcessState.h"
#include "io/GxFileSystem.h"
#include "platform/image/image.h"

#include <cstdlib>
#include <filesystem>

namespace gxtest {

class FileTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        GxResetFileSystem();
        GxSetSkipSlightError(false);  // whatever a test before left: slight errors are logged
    }
    void TearDown() override {
        GraphicsTest::TearDown();
        GxResetProcessState();
        std::filesystem::current_path(old_);
    }
    // Writes a PNG of the pixels under the working folder.
    void PutPng(const std::string& name, uint32_t w, uint32_t h, const std::vector<uint32_t>& px) {
        ASSERT_TRUE(pimage::save_png((dir_.path() / name).string(), px.data(), w, h, size_t(w) * 4));
    }
    void Put(const std::string& name, const std::vector<unsigned char>& bytes) {
        qtest::WriteBytes(dir_.path() / name, bytes);
    }
    std::vector<unsigned char> Bytes(const std::string& name) { return qtest::ReadBytes(dir_.path() / name); }
    // ImageMagick's convert, run in the working folder (scripts/setup-deps installs it).
    ::testing::AssertionResult Convert(const std::string& args) {
        const std::string cmd = "cd '" + dir_.str() + "' && convert " + args + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return ::testing::AssertionFailure() << "convert failed: " << cmd;
        return ::testing::AssertionSuccess();
    }
    std::vector<uint32_t> Decoded(const std::string& name) {
        std::vector<unsigned char> b = Bytes(name);
        pimage::image img;
        EXPECT_TRUE(pimage::decode(b.data(), b.size(), img)) << name;
        return img.pixels;
    }

    qtest::TempDir dir_;
    std::filesystem::path old_;
};

// A picture with varied colours and alpha.
inline std::vector<uint32_t> Pattern(uint32_t w, uint32_t h, bool opaque = false) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t r = (x * 37 + y * 11) & 255, g = (x * 5 + y * 29 + 40) & 255, b = (x * y * 3 + 90) & 255;
            uint32_t a = opaque ? 255 : (x * 17 + y * 23 + 30) & 255;
            px[size_t(y) * w + x] = a << 24 | r << 16 | g << 8 | b;
        }
    return px;
}

inline int MaxChannelDiff(uint32_t a, uint32_t b) {
    int m = 0;
    for (int s = 0; s < 32; s += 8) m = std::max(m, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return m;
}

} // namespace gxtest
