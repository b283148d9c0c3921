#include "tools/SampleImageSet.h"

#include "base/GxStringUtil.h"
#include "tools/builders/ImageSetWriter.h"

#include <algorithm>

namespace qtools {
namespace {

constexpr int kAtlasSide = 1024;
// Between patterns, so that filtering at a pattern's edge never reaches its
// neighbour.
constexpr int kGap = 2;

struct Placed {
    size_t origin, pattern;
    int atlas = 0, x = 0, y = 0;
};

int PowerOfTwoAtLeast(int n) {
    int p = 16;
    while (p < n) p *= 2;
    return p;
}

} // namespace

void SampleImageSet::Add(const std::string& origin, std::vector<SampleCanvas> patterns) {
    m_Origins.push_back({origin, std::move(patterns)});
}

bool SampleImageSet::Has(const std::string& origin) const {
    return std::any_of(m_Origins.begin(), m_Origins.end(), [&](const Origin& o) { return o.name == origin; });
}

bool SampleImageSet::AddTo(SampleFiles& files, const std::string& folder, std::string& error) const {
    // Shelves, tallest patterns first (ties in the order they were added).
    std::vector<Placed> placed;
    for (size_t o = 0; o < m_Origins.size(); ++o)
        for (size_t p = 0; p < m_Origins[o].patterns.size(); ++p) placed.push_back({o, p});
    auto canvas = [&](const Placed& q) -> const SampleCanvas& { return m_Origins[q.origin].patterns[q.pattern]; };
    std::vector<size_t> order(placed.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return canvas(placed[a]).Height() > canvas(placed[b]).Height(); });
    std::vector<std::pair<int, int>> used;  // width and height of each atlas
    int atlas = 0, x = 0, y = 0, shelf = 0;
    used.push_back({0, 0});
    for (size_t i : order) {
        const SampleCanvas& c = canvas(placed[i]);
        if (c.Width() > kAtlasSide || c.Height() > kAtlasSide) {
            error = m_Name + ": " + m_Origins[placed[i].origin].name + " is larger than an atlas";
            return false;
        }
        if (x + c.Width() > kAtlasSide) x = 0, y += shelf + kGap, shelf = 0;
        if (y + c.Height() > kAtlasSide) used.push_back({0, 0}), ++atlas, x = 0, y = 0, shelf = 0;
        placed[i].atlas = atlas, placed[i].x = x, placed[i].y = y;
        x += c.Width() + kGap;
        shelf = std::max(shelf, c.Height());
        used[size_t(atlas)].first = std::max(used[size_t(atlas)].first, x - kGap);
        used[size_t(atlas)].second = std::max(used[size_t(atlas)].second, y + c.Height());
    }

    qtest::ImageSetSpec spec;
    for (size_t a = 0; a < used.size(); ++a) {
        qtest::ImageSetAtlas at;
        at.fileName = GxFromUtf8(m_Name + "_" + std::to_string(a) + ".png");
        at.width = PowerOfTwoAtLeast(used[a].first);
        at.height = PowerOfTwoAtLeast(used[a].second);
        SampleCanvas picture(at.width, at.height);
        for (const Placed& q : placed)
            if (q.atlas == int(a)) picture.Paste(canvas(q), q.x, q.y), ++at.count;
        files.Add(folder + m_Name + "_" + std::to_string(a) + ".png", picture.Png());
        spec.atlases.push_back(std::move(at));
    }
    for (size_t o = 0; o < m_Origins.size(); ++o) {
        qtest::ImageSetOrigin origin;
        origin.name = GxFromUtf8(m_Origins[o].name);
        origin.width = m_Origins[o].patterns.front().Width();
        origin.height = m_Origins[o].patterns.front().Height();
        for (const Placed& q : placed)
            if (q.origin == o) {
                const SampleCanvas& c = canvas(q);
                origin.patterns.resize(std::max(origin.patterns.size(), q.pattern + 1));
                origin.patterns[q.pattern] = qtest::WholePattern(q.atlas, q.x, q.y, c.Width(), c.Height());
            }
        spec.origins.push_back(std::move(origin));
    }
    const std::vector<unsigned char> gis = qtest::BuildImageSet(spec, false);
    files.Add(folder + m_Name + ".gis", std::vector<uint8_t>(gis.begin(), gis.end()));
    return true;
}

} // namespace qtools
