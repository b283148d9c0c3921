#pragma once
// A data table of one record type and capacity: the record array itself.
// Each table class derives from it and names its columns.
#include "gamedata/GxDBBase.h"

template <class Record, s32 Capacity>
class GxDBTable : public GxDBBase {
public:
    static constexpr s32 kCapacity = Capacity;

    Record* GetRecord(s32 id) override { return id >= 0 && id < Capacity ? &m_Records[id] : nullptr; }
    const Record* GetRecord(s32 id) const { return id >= 0 && id < Capacity ? &m_Records[id] : nullptr; }
    s32 GetRecordMax() const override { return Capacity; }
    // Every record, ID order.
    std::span<const Record> GetRecords() const { return m_Records; }

protected:
    using GxDBBase::GxDBBase;
    void ClearRecords() override {
        for (Record& r : m_Records) r = Record{};
    }

private:
    Record m_Records[Capacity];
};
