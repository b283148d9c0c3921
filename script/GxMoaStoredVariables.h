#pragma once
// The script's variables of one storage class as a file holds them: the
// instance's records (GxMoa::WriteVariables), then the main worker's, its
// globals and each script's statics (GxMoaWorker::WriteVariables). Each
// record is keyed by its owner and name, so that two such sets can be told
// apart variable by variable, and a set written back is read by those two
// functions as any stored section is.
#include "base/GxTypes.h"
#include "script/GxMoaVariableSet.h"

#include <map>

class GxContentReaderBase;
class GxContentWriterBase;

class GxMoaStoredVariables {
public:
    enum Owner : u32 { kInstance = 0, kWorker = 1, kScript = 2 };
    struct Key {
        Owner owner = kInstance;
        GxString script;  // kScript only
        GxString name;
        bool operator<(const Key& r) const;
    };

    // Reads a stored section; false at the first damage (what was read
    // before it stays).
    bool Read(GxContentReaderBase& reader);
    // Writes the section: the instance's records, then the worker's.
    bool Write(GxContentWriterBase& writer) const;

    std::map<Key, GxMoaVariableSet> m_Records;
};
