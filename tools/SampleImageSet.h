#pragma once
// A crammed image set of the sample drawn from canvases: every origin image
// with its patterns (all of one size), packed onto atlas pictures, written as
// "<folder><name>.gis" with its atlases "<name>_<n>.png" beside it.
#include "tools/SampleCanvas.h"
#include "tools/SampleFiles.h"

#include <string>
#include <vector>

namespace qtools {

class SampleImageSet {
public:
    explicit SampleImageSet(std::string name) : m_Name(std::move(name)) {}

    const std::string& Name() const { return m_Name; }
    // origin is the name the engine looks up ("btn_ok_off.png"); the
    // patterns are the frames of an animated image, one for a still one.
    void Add(const std::string& origin, std::vector<SampleCanvas> patterns);
    void Add(const std::string& origin, const SampleCanvas& pattern) { Add(origin, std::vector<SampleCanvas>{pattern}); }
    bool Has(const std::string& origin) const;

    // Packs the patterns and adds the set and its atlases to files; false
    // (with the reason) when a pattern does not fit on an atlas.
    bool AddTo(SampleFiles& files, const std::string& folder, std::string& error) const;

private:
    struct Origin {
        std::string name;
        std::vector<SampleCanvas> patterns;
    };
    std::string m_Name;
    std::vector<Origin> m_Origins;
};

} // namespace qtools
