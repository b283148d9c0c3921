#include "graphics/GxTextureFlexFactory.h"

#include "graphics/GxTextureFlex.h"

#include <memory>

GxTextureFlexFactory& GxTextureFlexFactory::GetInstance() {
    static GxTextureFlexFactory factory;
    return factory;
}

GxTextureFlexFactory::GxTextureFlexFactory() : GxTextureFactoryBase(u"GxTextureFlexFactory") {}

GxD3DResourceBase* GxTextureFlexFactory::Make(const GxChar* name, u32 kind, u32 width, u32 height, u32 format,
                                              bool prepareOnly) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxD3DResourceBase* existing = TakeExisting(name)) return existing;
    const GxString path = name ? GxString(name) : GxString();
    auto texture = std::make_unique<GxTextureFlex>();
    bool made = false;
    if (kind == kGxTextureFlexKindFile) {
        if (prepareOnly) {
            texture->PrepareFromFile(path.c_str(), format, 0);
            made = true;
        } else {
            made = texture->CreateFromFile(path.c_str(), format, 0);
        }
    } else if (kind == kGxTextureFlexKindEmpty) {
        made = texture->CreateTexture(path.c_str(), width, height, format);
    } else {
        return nullptr;
    }
    if (!made) return nullptr;
    GxD3DResourceBase* r = texture.release();
    Append(r);
    return r;
}

GxD3DResourceBase* GxTextureFlexFactory::Create(const GxChar* name, u32 kind, u32 width, u32 height, u32 format) {
    return Make(name, kind, width, height, format, false);
}

GxD3DResourceBase* GxTextureFlexFactory::CreateEx(const GxChar* name, u32 kind, u32 width, u32 height, u32 format) {
    return Make(name, kind, width, height, format, true);
}

void GxTextureFlexFactory::Release(GxD3DResourceBase* resource) { ReleaseEntry(resource); }
void GxTextureFlexFactory::ReleaseByName(const GxChar* name) { ReleaseEntryByName(name); }
void GxTextureFlexFactory::Dump() { DumpEntries(); }
