#pragma once
// Opens the files an effect includes, relative to the effect file's folder,
// through the file layer. Each open file's bytes are kept until that file is
// closed, so an include opened from inside another leaves the outer file's
// bytes readable.
#include "io/GxBinBuffer.h"
#include "platform/image/effect.h"

#include <memory>
#include <vector>

class GxShaderInclude : public pimage::effect_include {
public:
    static constexpr u32 kOk = 0;
    static constexpr u32 kFail = 0x80004005u;

    explicit GxShaderInclude(GxString baseDirectory) : m_BaseDirectory(std::move(baseDirectory)) {}

    // type and parent are not used. kOk with the file's bytes, or kFail with
    // null and 0.
    u32 Open(u32 type, const char* fileName, const void* parent, const void** data, u32* bytes);
    u32 Close(const void* data);
    // Files open now.
    size_t GetOpenCount() const { return m_Open.size(); }

    bool open(const std::string& fileName, const char** data, size_t* size) override;
    void close(const char* data) override;

private:
    GxString m_BaseDirectory;
    std::vector<std::unique_ptr<GxBinBuffer>> m_Open;
};
