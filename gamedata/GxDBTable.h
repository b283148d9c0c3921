#pragma once
// A data table of one record type and capacity: the record array itself.
// Each table class derives from it and names its columns.
#include "gamedata/GxDBBase.h"

#include <algorithm>
#include <iterator>

template <class Record, s32 Capacity>
class GxDBTable : public GxDBBase {
public:
    static constexpr s32 kCapacity = Capacity;

    Record* GetRecord(s32 id) override { return id >= 0 && id < Capacity ? &m_Records[id] : nullptr; }
    const Record* GetRecord(s32 id) const { return id >= 0 && id < Capacity ? &m_Records[id] : nullptr; }
    s32 GetRecordMax() const override { return Capacity; }
    // Every record, ID order.
    std::span<const Record> GetRecords() const { return m_Records; }
    // What another table of this kind loaded, as a load of its file would
    // give it, without reading the file or saying its slips a second time.
    void CopyLoaded(const GxDBTable& loaded) {
        CopyLoadState(loaded);
        std::copy(std::begin(loaded.m_Records), std::end(loaded.m_Records), std::begin(m_Records));
    }

protected:
    using GxDBBase::GxDBBase;
    void ClearRecords() override {
        for (Record& r : m_Records) r = Record{};
    }

private:
    Record m_Records[Capacity];
};
