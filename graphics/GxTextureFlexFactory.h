#pragma once
// Tiled textures shared by name, as GxTextureFactory shares textures.
#include "graphics/GxTextureFactoryBase.h"

// Kinds of tiled texture: 1 from an image file, 2 empty of the size.
constexpr u32 kGxTextureFlexKindFile = 1;
constexpr u32 kGxTextureFlexKindEmpty = 2;

class GxTextureFlexFactory : public GxTextureFactoryBase {
public:
    static GxTextureFlexFactory& GetInstance();

    virtual GxD3DResourceBase* Create(const GxChar* name, u32 kind, u32 width, u32 height, u32 format);
    virtual GxD3DResourceBase* CreateEx(const GxChar* name, u32 kind, u32 width, u32 height, u32 format);
    virtual void Release(GxD3DResourceBase* resource);
    virtual void ReleaseByName(const GxChar* name);
    void Dump();

private:
    GxTextureFlexFactory();
    GxD3DResourceBase* Make(const GxChar* name, u32 kind, u32 width, u32 height, u32 format, bool prepareOnly);
};
