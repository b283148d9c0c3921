#pragma once
// A scratch working folder with a fresh file system: the test runs inside the
// folder, with no packs mounted and the cache empty and off.
#include "engine/GxProcessState.h"
#include "io/GxFileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace iotest {

class FsTest : public testing::Test {
protected:
    void SetUp() override {
        m_Old = std::filesystem::current_path();
        std::filesystem::current_path(m_Dir.path());
        GxResetProcessState();
    }
    void TearDown() override {
        GxResetProcessState();
        std::filesystem::current_path(m_Old);
    }
    // Writes a file under the working folder, making its folders.
    void Put(const std::string& rel, const std::string& bytes) {
        const auto p = m_Dir.path() / rel;
        std::filesystem::create_directories(p.parent_path());
        qtest::WriteText(p, bytes);
    }
    static std::string Str(const GxBinBuffer& b) {
        return b.GetSize() ? std::string(reinterpret_cast<const char*>(b.GetData()), b.GetSize()) : std::string();
    }

    qtest::TempDir m_Dir;
    std::filesystem::path m_Old;
};

} // namespace iotest
