#include "io/GxCp932.h"

namespace {
#include "io/GxCp932Table.inc"
} // namespace

void GxAppendCp932(std::string_view text, GxString* out) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const u8 b = u8(text[i]);
        const u16 c = kSingle[b];
        if (c != kLead) {
            out->push_back(c == kInvalid ? GxChar(0xFFFD) : GxChar(c));
            ++i;
            continue;
        }
        // A lead byte with no character after it stands for itself; the next
        // byte is read anew.
        const u16 pair = i + 1 < n ? kPairs[kLeadRow[b]][u8(text[i + 1])] : kInvalid;
        if (pair == kInvalid) {
            out->push_back(GxChar(0xFFFD));
            ++i;
        } else {
            out->push_back(GxChar(pair));
            i += 2;
        }
    }
}
