#include "io/GxBinBuffer.h"

#include <cstring>
#include <utility>

GxBinBuffer::GxBinBuffer(GxBinBuffer&& o) noexcept
    : m_Data(std::exchange(o.m_Data, nullptr)), m_Size(std::exchange(o.m_Size, 0)),
      m_UseCount(std::exchange(o.m_UseCount, 0)) {}

GxBinBuffer& GxBinBuffer::operator=(GxBinBuffer&& o) noexcept {
    if (this != &o) {
        Free();
        m_Data = std::exchange(o.m_Data, nullptr);
        m_Size = std::exchange(o.m_Size, 0);
        m_UseCount = std::exchange(o.m_UseCount, 0);
    }
    return *this;
}

u8* GxBinBuffer::Alloc(u32 size) {
    Free();
    if (size > 0) {
        m_Data = new u8[size];
        std::memset(m_Data, 0, size);
    }
    m_Size = size;
    m_UseCount = 0;
    AddUse();
    return m_Data;
}

void GxBinBuffer::Free() {
    delete[] m_Data;
    m_Data = nullptr;
    m_Size = 0;
    m_UseCount = 0;
}

void GxBinBuffer::Release() {
    if (m_UseCount == 0) return;
    if (--m_UseCount == 0) Free();
}
