#pragma once
// A content stream written into memory with the engine's text or binary
// writer: the header ("T" or "B" followed by kind) and the body the caller
// writes. Free of test frameworks, so tools can use it too.
#include "io/GxContentWriterBase.h"

#include <functional>
#include <iterator>
#include <vector>

namespace qtest {

std::vector<unsigned char> WriteContentBytes(bool text, const char* kind, u32 version,
                                             const std::function<void(GxContentWriterBase&)>& body);

// A list value: its begin with the count, each item's values written by
// each(item) between element begin and end, its end.
template <class Items, class Each>
void WriteContentList(GxContentWriterBase& w, const char* name, const char* elementType, const Items& items,
                      Each each) {
    w.WriteListBegin(name, elementType, u32(std::size(items)));
    for (const auto& item : items) {
        w.WriteListElementBegin();
        each(item);
        w.WriteListElementEnd();
    }
    w.WriteListEnd();
}

} // namespace qtest
