#pragma once
// The files of the sample game as the generator collects them: each with its
// path inside the game folder (UTF-8, '/' separators) and whether it goes into
// the pack or lies loose on disk. Ordered by path, so that the pack and the
// folder come out the same on every run.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qtools {

enum class SamplePlace { Packed, Loose };

struct SampleFile {
    std::vector<uint8_t> bytes;
    SamplePlace place = SamplePlace::Packed;
};

class SampleFiles {
public:
    // A second file of the same path replaces the first.
    void Add(const std::string& path, std::vector<uint8_t> bytes, SamplePlace place = SamplePlace::Packed);
    void AddText(const std::string& path, const std::string& text, SamplePlace place = SamplePlace::Packed);
    bool Has(const std::string& path) const { return m_Files.count(path) != 0; }
    const std::map<std::string, SampleFile>& All() const { return m_Files; }

private:
    std::map<std::string, SampleFile> m_Files;
};

} // namespace qtools
