#include "layers/GxObjectRefCountNotAutoDelete.h"

#include "base/GxFormat.h"

#include <cstdint>

u32 GxObjectRefCountNotAutoDelete::Release() {
    if (m_RefCount > 0) --m_RefCount;
    return m_RefCount;
}

void GxObjectRefCountNotAutoDelete::ReleaseAll() {
    while (GetRefCount() > 0) Release();
}

GxString GxObjectRefCountNotAutoDelete::PointerText(const void* object) {
    return GxFormat(u"0x%I64x", u64(reinterpret_cast<uintptr_t>(object)));
}
