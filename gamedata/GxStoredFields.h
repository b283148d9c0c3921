#pragma once
// Stored records list their fields once, in file order, as a visit that hands
// each field with its name to a function; these run such a visit as a write
// or as a read. Both try every field and say whether all of them succeeded.
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

template <class Visit>
bool GxWriteFields(GxContentWriterBase& writer, Visit&& visit) {
    bool ok = true;
    visit([&](const char* name, const auto& value) { ok = writer.Write(name, value) && ok; });
    return ok;
}

template <class Visit>
bool GxReadFields(GxContentReaderBase& reader, Visit&& visit) {
    bool ok = true;
    visit([&](const char* name, auto& value) { ok = reader.Read(name, &value) && ok; });
    return ok;
}
