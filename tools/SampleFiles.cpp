#include "tools/SampleFiles.h"

namespace qtools {

void SampleFiles::Add(const std::string& path, std::vector<uint8_t> bytes, SamplePlace place) {
    m_Files[path] = SampleFile{std::move(bytes), place};
}

void SampleFiles::AddText(const std::string& path, const std::string& text, SamplePlace place) {
    Add(path, std::vector<uint8_t>(text.begin(), text.end()), place);
}

} // namespace qtools
