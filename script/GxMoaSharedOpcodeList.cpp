#include "script/GxMoaSharedOpcodeList.h"

GxMoaSharedOpcodeList::GxMoaSharedOpcodeList(Items items) : m_Shared(new Shared) { m_Shared->items = std::move(items); }

GxMoaSharedOpcodeList& GxMoaSharedOpcodeList::operator=(const GxMoaSharedOpcodeList& other) noexcept {
    if (m_Shared != other.m_Shared) {
        Drop();
        m_Shared = other.m_Shared;
        Retain();
    }
    return *this;
}

GxMoaSharedOpcodeList& GxMoaSharedOpcodeList::operator=(GxMoaSharedOpcodeList&& other) noexcept {
    if (this != &other) {
        Drop();
        m_Shared = other.m_Shared;
        other.m_Shared = nullptr;
    }
    return *this;
}

GxMoaSharedOpcodeList::Items& GxMoaSharedOpcodeList::Own() {
    if (!m_Shared) {
        m_Shared = new Shared;
    } else if (m_Shared->refs > 1) {
        Shared* mine = new Shared;
        mine->items = m_Shared->items;
        Drop();
        m_Shared = mine;
    }
    m_Shared->found.reset();
    return m_Shared->items;
}

GxMoaSharedOpcodeList::FoundVariable* GxMoaSharedOpcodeList::GetFoundVariables() const {
    if (!m_Shared || m_Shared->items.empty()) return nullptr;
    if (!m_Shared->found) m_Shared->found = std::make_unique<FoundVariable[]>(m_Shared->items.size());
    return m_Shared->found.get();
}
