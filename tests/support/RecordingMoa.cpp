#include "support/RecordingMoa.h"

#include "base/GxStringUtil.h"

namespace qtest {

std::string RecordingMoa::ErrorsUtf8() const {
    std::string out;
    for (const auto& e : errors) out += GxToUtf8(e.script) + ":" + std::to_string(e.line) + " " + GxToUtf8(e.text) + "\n";
    return out;
}

bool RecordingMoa::HasError(GxStringView part) const {
    for (const auto& e : errors)
        if (e.text.find(part) != GxString::npos) return true;
    return false;
}

bool RecordingMoa::HasWarning(GxStringView part) const {
    for (const auto& w : warnings)
        if (w.text.find(part) != GxString::npos) return true;
    return false;
}

} // namespace qtest
