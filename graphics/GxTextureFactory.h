#pragma once
// Textures shared by name: asking for a name that is held gives the same
// texture with its count raised, whatever kind or size is asked for;
// otherwise a new texture of the kind is made and kept. The last release
// through the factory deletes it.
#include "graphics/GxTextureFactoryBase.h"

// Kinds of texture the factory makes.
enum GxTextureKind : u32 {
    kGxTextureKindFile = 1,          // from an image file (the name is the path)
    kGxTextureKindEmpty = 2,         // empty, of the size
    kGxTextureKindRenderTarget = 3,  // a render target of the size
    kGxTextureKindText = 5,          // an empty text texture of the size
    kGxTextureKindTextEx = 6,        // an empty revealing text texture of the size
    kGxTextureKindMovie = 7,         // a movie texture of the size (GxTextureMovie)
};

class GxTextureFactory : public GxTextureFactoryBase {
public:
    static GxTextureFactory& GetInstance();

    // Null when the kind is unknown or the texture could not be made (the
    // texture logs why). `unused` is accepted and ignored.
    virtual GxD3DResourceBase* Create(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels, u32 format,
                                      u32 unused, bool stretch);
    // As Create, but a file texture is only prepared (kept, still empty) so
    // that a job worker can load it.
    virtual GxD3DResourceBase* CreateEx(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels,
                                        u32 format, u32 unused, bool stretch);
    virtual void Release(GxD3DResourceBase* resource);
    virtual void ReleaseByName(const GxChar* name);
    // The names held, to the debug log.
    void Dump();

private:
    GxTextureFactory();
    GxD3DResourceBase* Make(const GxChar* name, u32 kind, u32 width, u32 height, u32 mipLevels, u32 format,
                            bool stretch, bool prepareOnly);
};
