#pragma once
// The variables of one owner (a call frame's locals, a script's statics, a
// worker's globals, the instance's externs), in insertion order. Variables
// are never removed one by one, so pointers to them stay valid while the
// table lives. A large table keeps a hashed index of the names beside the
// variables, so that finding one does not walk all of them; the order and
// the stored form are the variables' own.
#include "base/GxTypes.h"
#include "script/GxMoaNameIndex.h"
#include "script/GxMoaVariableSet.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <vector>

class GxMoaVariableDefinition;

class GxMoaVariableTable {
public:
    // Owner kinds (m_Kind).
    enum : u32 { kKindLocal = 1, kKindStatic = 2, kKindGlobal = 3, kKindExtern = 4 };

    GxMoaVariableTable() = default;
    virtual ~GxMoaVariableTable() { ShapeChanged(); }
    // Copies and moves take the variables; the index is built again on use.
    GxMoaVariableTable(const GxMoaVariableTable& other) : m_Kind(other.m_Kind), m_Variables(other.m_Variables) {}
    GxMoaVariableTable(GxMoaVariableTable&& other)
        : m_Kind(other.m_Kind), m_Variables(std::move(other.m_Variables)) {
        other.Clear();
    }
    GxMoaVariableTable& operator=(const GxMoaVariableTable& other);
    GxMoaVariableTable& operator=(GxMoaVariableTable&& other);

    // "m_VariablesSize" and the variables of the storage class.
    virtual bool WriteVariables(GxContentWriterBase& writer, u32 storageClass) const;
    // Merges the stored records of the class into the table.
    virtual bool ReadVariables(GxContentReaderBase& reader, u32 storageClass);

    GxMoaVariableSet* Find(GxStringView name) {
        if (m_Variables.size() >= kIndexFrom) return FindIndexed(name);
        for (auto& v : m_Variables)
            if (v.m_Name == name) return &v;
        return nullptr;
    }
    const GxMoaVariableSet* Find(GxStringView name) const {
        return const_cast<GxMoaVariableTable*>(this)->Find(name);
    }
    void AddLocal(GxStringView name, const GxMoaVariable& value);
    void AddFromDefinition(const GxMoaVariableDefinition& definition);
    static void ResetToDefinition(GxMoaVariableSet& variable, const GxMoaVariableDefinition* definition);
    // Assigns to the whole value (index -1) or one element, creating the
    // variable with the scope of the table's kind when it is absent. An index
    // that cannot be set (below -1, or at the array limit) leaves the value
    // as it was.
    GxMoaVariableSet* SetVariable(GxStringView name, int index, const GxMoaVariable* value);
    GxMoaVariableSet* SetVariableNull(GxStringView name, int index);
    void Dump(FILE* file, int depth) const;

    void Clear() {
        m_Variables.clear();
        DropIndex();
    }
    size_t GetCount() const { return m_Variables.size(); }
    GxMoaVariableSet& At(size_t i) { return m_Variables[i]; }
    const GxMoaVariableSet& At(size_t i) const { return m_Variables[i]; }
    void Append(const GxMoaVariableSet& variable) {
        m_Variables.push_back(variable);
        ShapeChanged();
    }

    // Changes whenever any table gains variables or loses them (emptied,
    // replaced or destroyed), so that code remembering where a name was
    // found can tell when it must look again.
    static u64 GetShapeGeneration() { return s_Shape.load(std::memory_order_relaxed); }

    u32 m_Kind = kKindLocal;

private:
    // Below this many variables a walk is as fast as the index.
    static constexpr size_t kIndexFrom = 8;

    GxMoaVariableSet* FindIndexed(GxStringView name);
    void DropIndex() {
        m_Index.Clear();
        m_Indexed = 0;
        ShapeChanged();
    }
    static void ShapeChanged() { s_Shape.fetch_add(1, std::memory_order_relaxed); }

    inline static std::atomic<u64> s_Shape{1};

    std::deque<GxMoaVariableSet> m_Variables;
    // Entered on look-up: the variables up to m_Indexed.
    GxMoaNameIndex<GxMoaVariableSet> m_Index;
    size_t m_Indexed = 0;
};
