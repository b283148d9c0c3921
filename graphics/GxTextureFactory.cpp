#include "graphics/GxTextureFactory.h"

#include "graphics/GxTexture.h"
#include "graphics/GxTextureMovie.h"
#include "graphics/GxTextureTextEx.h"

#include <memory>

GxTextureFactory& GxTextureFactory::GetInstance() {
    static GxTextureFactory factory;
    return factory;
}

GxTextureFactory::GxTextureFactory() : GxTextureFactoryBase(u"GxTextureFactory") {}

GxD3DResourceBase* GxTextureFactory::Make(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels,
                                          u32 format, bool stretch, bool prepareOnly) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxD3DResourceBase* existing = TakeExisting(name)) return existing;
    const GxString path = name ? GxString(name) : GxString();
    std::unique_ptr<GxTexture> texture;
    bool made = false;
    switch (kind) {
    case kGxTextureKindFile:
        texture = std::make_unique<GxTexture>();
        if (prepareOnly) {
            // Kept still empty: the job worker loads it.
            texture->PrepareFromFile(path.c_str(), format, mipLevels, 0, stretch);
            made = true;
        } else {
            made = texture->CreateFromFile(path.c_str(), format, mipLevels, 0, stretch);
        }
        break;
    case kGxTextureKindEmpty:
        texture = std::make_unique<GxTexture>();
        made = texture->CreateTexture(path.c_str(), width, height, format, mipLevels);
        break;
    case kGxTextureKindRenderTarget:
        texture = std::make_unique<GxTexture>();
        made = texture->CreateRenderTarget(path.c_str(), width, height, format);
        break;
    case kGxTextureKindText:
    case kGxTextureKindTextEx:
        texture = kind == kGxTextureKindText ? std::make_unique<GxTextureText>() : std::make_unique<GxTextureTextEx>();
        made = texture->CreateTexture(path.c_str(), width, height, format, mipLevels);
        break;
    case kGxTextureKindMovie: {
        auto movie = std::make_unique<GxTextureMovie>();
        if (!movie->Create(path.c_str(), width, height, format, 0, false)) return nullptr;
        Append(movie.get());
        return movie.release();
    }
    default:
        return nullptr;
    }
    if (!made) return nullptr;
    GxD3DResourceBase* r = texture.release();
    Append(r);
    return r;
}

GxD3DResourceBase* GxTextureFactory::Create(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels,
                                            u32 format, u32, bool stretch) {
    return Make(name, kind, width, height, mipLevels, format, stretch, false);
}

GxD3DResourceBase* GxTextureFactory::CreateEx(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels,
                                              u32 format, u32, bool stretch) {
    return Make(name, kind, width, height, mipLevels, format, stretch, true);
}

void GxTextureFactory::Release(GxD3DResourceBase* resource) { ReleaseEntry(resource); }
void GxTextureFactory::ReleaseByName(const GxChar* name) { ReleaseEntryByName(name); }
void GxTextureFactory::Dump() { DumpEntries(); }
