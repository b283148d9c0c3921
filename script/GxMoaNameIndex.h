#pragma once
// A hashed index from names to the objects that carry them, kept beside a
// container that owns both: the index holds views of the names, which must
// stay where they are and unchanged while they are entered. Names compare
// exactly, code unit by code unit; the first object entered under a name is
// the one found.
#include "base/GxTypes.h"

#include <vector>

template <class T>
class GxMoaNameIndex {
public:
    void Clear() {
        m_Slots.clear();
        m_Count = 0;
    }
    size_t GetCount() const { return m_Count; }

    void Insert(GxStringView name, T* value) {
        if (2 * (m_Count + 1) > m_Slots.size()) Grow();
        if (Place(Slot{Hash(name), name, value})) ++m_Count;
    }

    T* Find(GxStringView name) const {
        if (m_Slots.empty()) return nullptr;
        const u32 hash = Hash(name);
        const size_t mask = m_Slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_Slots[i];
            if (!slot.value) return nullptr;
            if (slot.hash == hash && slot.name == name) return slot.value;
        }
    }

private:
    struct Slot {
        u32 hash = 0;
        GxStringView name;
        T* value = nullptr;
    };

    static u32 Hash(GxStringView name) {
        u32 h = 2166136261u;
        for (GxChar c : name) h = (h ^ c) * 16777619u;
        return h;
    }

    // False when the name is there already.
    bool Place(const Slot& entry) {
        const size_t mask = m_Slots.size() - 1;
        for (size_t i = entry.hash & mask;; i = (i + 1) & mask) {
            Slot& slot = m_Slots[i];
            if (!slot.value) {
                slot = entry;
                return true;
            }
            if (slot.hash == entry.hash && slot.name == entry.name) return false;
        }
    }

    // Doubles the slots (at least 16), so that they stay at most half full.
    void Grow() {
        std::vector<Slot> old;
        old.swap(m_Slots);
        m_Slots.assign(old.empty() ? 16 : 2 * old.size(), Slot());
        for (const Slot& s : old)
            if (s.value) Place(s);
    }

    std::vector<Slot> m_Slots;
    size_t m_Count = 0;
};
