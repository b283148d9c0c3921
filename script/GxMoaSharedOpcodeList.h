#pragma once
// The opcodes of one compiled statement (values of type Opcode, each
// followed by its operands). A list compiled once is shared by every frame
// that runs the statement and by the compile cache; writing to a list that
// is shared gives the writer its own copy first, so sharing never shows.
#include "script/GxMoaVariable.h"

#include <memory>
#include <vector>

class GxMoaVariableSet;

class GxMoaSharedOpcodeList {
public:
    using Items = std::vector<GxMoaVariable>;

    GxMoaSharedOpcodeList() = default;
    explicit GxMoaSharedOpcodeList(Items items);
    GxMoaSharedOpcodeList(const GxMoaSharedOpcodeList& other) noexcept : m_Shared(other.m_Shared) { Retain(); }
    GxMoaSharedOpcodeList(GxMoaSharedOpcodeList&& other) noexcept : m_Shared(other.m_Shared) { other.m_Shared = nullptr; }
    GxMoaSharedOpcodeList& operator=(const GxMoaSharedOpcodeList& other) noexcept;
    GxMoaSharedOpcodeList& operator=(GxMoaSharedOpcodeList&& other) noexcept;
    ~GxMoaSharedOpcodeList() { Drop(); }

    size_t size() const { return m_Shared ? m_Shared->items.size() : 0; }
    bool empty() const { return size() == 0; }
    const GxMoaVariable* data() const { return m_Shared ? m_Shared->items.data() : nullptr; }
    const GxMoaVariable& operator[](size_t i) const { return m_Shared->items[i]; }
    const GxMoaVariable* begin() const { return data(); }
    const GxMoaVariable* end() const { return data() + size(); }
    const GxMoaVariable& back() const { return m_Shared->items.back(); }

    // Where the executor last found the variable that entry i names, and in
    // which circumstances (see GxMoaVariableTable::GetShapeGeneration); one
    // per entry, kept with the storage and forgotten when the list is
    // written to. Null for an empty list.
    struct FoundVariable {
        u64 shape = 0;
        const void* frame = nullptr;
        const void* entity = nullptr;
        const void* worker = nullptr;
        GxMoaVariableSet* variable = nullptr;
    };
    FoundVariable* GetFoundVariables() const;

    void clear() { Drop(); }
    void reserve(size_t n) { Own().reserve(n); }
    void push_back(const GxMoaVariable& v) { Own().push_back(v); }
    void push_back(GxMoaVariable&& v) { Own().push_back(std::move(v)); }

private:
    // Counted by hand: lists live and die on the main thread only.
    struct Shared {
        u32 refs = 1;
        Items items;
        std::unique_ptr<FoundVariable[]> found;
    };
    void Retain() {
        if (m_Shared) ++m_Shared->refs;
    }
    void Drop() {
        if (m_Shared && --m_Shared->refs == 0) delete m_Shared;
        m_Shared = nullptr;
    }
    // The items, made this list's alone.
    Items& Own();

    Shared* m_Shared = nullptr;
};
