#pragma once
// The texture a playing movie's frames are written into: two buffers of one
// power-of-two size and format. The movie's writer thread fills the hidden
// buffer and flips (Advance) while holding the frame lock; the main thread
// takes the shown buffer under the same lock, and keeps holding it until its
// draw with that buffer is queued, so a buffer is never written while a draw
// that reads it is pending. The flip is the only step the two threads share.
#include "base/GxMutex.h"
#include "base/GxVector.h"
#include "graphics/GxTextureBase.h"
#include "platform/render/resources.h"

#include <memory>

class GxTextureMovie : public GxTextureBase {
public:
    GxTextureMovie();
    ~GxTextureMovie() override;

    void Release() override;
    // Dynamic (default-pool) buffers go with the device and come back empty,
    // filled with the fill colour, after a reset; managed ones stay.
    void OnLost() override;
    void OnReset() override { Restore(); }
    u32 GetMemorySize() override;

    // Level 0 of the shown buffer becomes device render target `index`.
    bool SetRenderTarget(u32 index) override;
    u32 GetFormat() const override { return m_Format; }
    u32 GetPool() const override { return m_Pool; }
    u32 GetWidth() const override { return m_Width; }
    u32 GetHeight() const override { return m_Height; }
    virtual u32 GetAskedWidth() const { return m_AskedWidth; }
    virtual u32 GetAskedHeight() const { return m_AskedHeight; }
    virtual bool IsLocked() const { return m_Locked; }
    // The shown buffer.
    std::shared_ptr<prender::texture> GetD3DTexture() override;
    bool HasTexture() override;
    f32 ToU(f32 x) override { return m_Width ? x / f32(m_Width) : 0.0f; }
    f32 ToV(f32 y) override { return m_Height ? y / f32(m_Height) : 0.0f; }
    // The hidden buffer, which the writer fills.
    virtual std::shared_ptr<prender::texture> GetBackTexture();
    // Whether the shown buffer has received a frame.
    virtual bool IsReady();

    // Both buffers for a video of width x height (format 0: the device's
    // render-target format), filled with fillArgb. dynamic asks for
    // default-pool dynamic buffers where the device has them.
    virtual bool Create(const GxChar* name, u32 width, u32 height, u32 format, u32 fillArgb, bool dynamic);
    virtual bool Fill(u32 index, u32 argb);
    virtual bool LockRect(u32 index, const GxRect* rect, void** bits, u32* pitch, u32* width, u32* height, u32* format,
                          bool readOnly);
    virtual bool UnlockRect(u32 index);
    // Marks the shown buffer ready and shows the other; the index that was shown.
    virtual u32 Advance();
    virtual void GetSurface(std::shared_ptr<prender::surface>* out);
    virtual void GetTextureRef(std::shared_ptr<prender::texture>* out);
    // Re-creates dynamic buffers after a device reset.
    virtual bool Restore();

    // The lock around a frame's write-and-flip and around drawing the shown buffer.
    GxMutex& GetFrameLock() { return m_FrameLock; }

private:
    void Empty();
    prender::result CreateBuffer(std::shared_ptr<prender::texture>& out);
    bool FillBuffer(const std::shared_ptr<prender::texture>& buffer, u32 argb);

    u32 m_Current = 0;
    std::shared_ptr<prender::texture> m_Buffers[2];
    bool m_Ready[2] = {false, false};
    u32 m_Format = 0;
    u32 m_Pool = 3;
    u32 m_FillColor = 0;
    u32 m_Width = 0;
    u32 m_Height = 0;
    u32 m_AskedWidth = 0;
    u32 m_AskedHeight = 0;
    u32 m_MipLevels = 0;
    bool m_Locked = false;
    u32 m_Usage = 0;
    GxMutex m_FrameLock;
};
