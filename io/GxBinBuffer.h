#pragma once
// A byte buffer that holds a whole file or a binary value.
#include "base/GxTypes.h"

class GxBinBuffer {
public:
    GxBinBuffer() = default;
    explicit GxBinBuffer(u32 size) { Alloc(size); }
    virtual ~GxBinBuffer() { Free(); }
    GxBinBuffer(const GxBinBuffer&) = delete;
    GxBinBuffer& operator=(const GxBinBuffer&) = delete;
    GxBinBuffer(GxBinBuffer&& o) noexcept;
    GxBinBuffer& operator=(GxBinBuffer&& o) noexcept;

    // Frees the old bytes and allocates size zeroed bytes with a use count of 1.
    u8* Alloc(u32 size);
    void Free();
    // Drops one use; the bytes go when the last use does.
    void Release();
    void AddUse() { ++m_UseCount; }

    u8* GetData() { return m_Data; }
    const u8* GetData() const { return m_Data; }
    u32 GetSize() const { return m_Size; }
    u32 GetUseCount() const { return m_UseCount; }
    // The first byte, 0 when there are none.
    u8 GetHeadByte() const { return (m_Data && m_Size) ? m_Data[0] : 0; }

private:
    u8* m_Data = nullptr;
    u32 m_Size = 0;
    u32 m_UseCount = 0;
};
