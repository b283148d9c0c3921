#pragma once
// An image of any size held as a grid of 128 × 128 textures, so that large
// pictures need neither power-of-two rounding nor a texture larger than the
// device allows. Tiles are in the managed pool: device loss leaves them be.
// The tile in column c of row r is entry r × tiles across + c.
#include "graphics/GxD3DResourceBase.h"
#include "platform/render/resources.h"

#include <memory>
#include <vector>

class GxTextureFlex : public GxD3DResourceBase {
public:
    static constexpr u32 kTileSize = 128;

    GxTextureFlex();
    ~GxTextureFlex() override;

    void Release() override;
    u32 GetMemorySize() override;

    // The tiles (a copy of the array; empty when nothing is held).
    virtual std::vector<std::shared_ptr<prender::texture>> GetTileArray() const;
    virtual bool HasTexture() const;
    virtual u32 GetFormat() const;
    virtual u32 GetPool() const;
    virtual u32 GetImageWidth() const;
    virtual u32 GetImageHeight() const;
    virtual u32 GetCoveredWidth() const;
    virtual u32 GetCoveredHeight() const;
    virtual u32 GetTilesAcross() const;
    virtual u32 GetTilesDown() const;
    virtual u32 GetTileWidth() const;
    virtual u32 GetTileHeight() const;
    virtual bool IsLocked() const;
    virtual u32 GetMipLevels() const;
    virtual u32 GetColorKey() const;
    // Empty tiles for an image of the size; a size of 0 gives no tiles.
    virtual bool CreateTexture(const GxChar* name, u32 width, u32 height, u32 format);
    virtual bool CreateFromFile(const GxChar* path, u32 format, u32 colorKey);
    // The surface's pixels into the tiles, unscaled.
    virtual bool CopyFromSurface(prender::surface& source);
    // Keeps the load parameters for a job worker.
    virtual void PrepareFromFile(const GxChar* path, u32 format, u32 colorKey);
    virtual bool HasName() const;

    GxString GetJobName() const override;
    void ExecuteJob(GxThread* worker, GxAsyncJobManage* manager) override;

private:
    void Empty();

    std::vector<std::shared_ptr<prender::texture>> m_Tiles;
    u32 m_Format = 0;
    u32 m_Pool = 3;
    u32 m_ImageWidth = 0;
    u32 m_ImageHeight = 0;
    u32 m_CoveredWidth = 0;
    u32 m_CoveredHeight = 0;
    u32 m_TilesAcross = 0;
    u32 m_TilesDown = 0;
    u32 m_TileWidth = 0;
    u32 m_TileHeight = 0;
    u32 m_MipLevels = 0;
    bool m_Locked = false;
    u32 m_ColorKey = 0;
};
