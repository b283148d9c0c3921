#pragma once
// The common part of the game's data tables: each table is read once at
// start-up from a tab-separated text file under "data/" into a fixed array of
// records indexed by ID. Lines are split at every tab into the table's field
// count; a field in quotes is taken up to its closing quote; the first field
// is the ID ("*" = one above the highest so far). A table may keep a map from
// a name column to IDs. Main thread only.
#include "base/GxTypes.h"
#include "gamedata/GxDBColumn.h"
#include "base/GxDBRecord.h"

#include <map>
#include <span>
#include <vector>

class GxDBBase {
public:
    virtual ~GxDBBase() = default;
    GxDBBase(const GxDBBase&) = delete;
    GxDBBase& operator=(const GxDBBase&) = delete;

    // The record with that ID; null outside 0 to capacity-1.
    virtual GxDBRecord* GetRecord(s32 id) = 0;
    // The highest ID loaded; -1 while nothing is loaded.
    virtual s32 GetMaxID() const { return m_MaxID; }
    // Columns with `ID`, an array column counted once.
    virtual s32 GetColumnNum() const { return s32(m_Columns.size()); }
    virtual s32 GetRecordMax() const = 0;
    // Reads the file's lines into the records. False when the file cannot be
    // read (nothing logged), or at the first ID out of range (logged; the
    // lines before it stay loaded).
    virtual bool Load(const GxChar* path);
    // The column's field in record id (element 0 of an array column); null
    // for `ID`, an unknown column or an ID outside the table.
    virtual void* GetFieldPtr(s32 id, const GxChar* column);
    // `ID` 0, the others their position in file order; -1 for no column.
    virtual s32 GetColumnIndex(const GxChar* column) const;
    // 5 s32, 6 u32, 9 f32, 25 wide string; 0 for no column.
    virtual s32 GetColumnType(const GxChar* column) const;
    // Element count of an array column; 0 for a scalar or no column.
    virtual s32 GetColumnArraySize(const GxChar* column) const;

    // The ID stored for the name; defaultID for an empty or unknown name.
    s32 FindNameMap(const GxString& name, s32 defaultID) const;
    s32 FindNameMap(const GxChar* name, s32 defaultID) const;
    bool HasNameMapError() const { return m_NameMapError; }
    GxString GetFileName() const { return m_FileName; }
    // Adds the name unless it is empty or already there (then the first ID
    // stays and the error flag is set; the table's first clash is logged).
    bool AddNameMap(const GxString& name, s32 id);

    // Back to the state before any load: default records, nothing mapped.
    // For tests, which share the process-wide tables.
    void Clear();

    // The fields a line of the file holds.
    s32 GetFieldCount() const;

protected:
    // tableName begins the out-of-range message; nameColumn is the index of
    // the column whose text fills the name map, -1 for none.
    GxDBBase(const GxChar* tableName, std::span<const GxDBColumn> columns, s32 nameColumn);
    virtual void ClearRecords() = 0;
    // Everything but the records, as another table's load left it.
    void CopyLoadState(const GxDBBase& loaded);

private:
    const GxDBColumn* FindColumn(const GxChar* column) const;
    void FillRecord(GxDBRecord& record, const std::vector<GxString>& fields);

    s32 m_MaxID = -1;
    std::map<GxString, s32> m_NameMap;
    GxString m_FileName;
    bool m_NameMapError = false;

    const GxChar* m_TableName;
    std::span<const GxDBColumn> m_Columns;
    s32 m_NameColumn;
};
