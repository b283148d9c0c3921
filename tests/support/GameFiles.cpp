#include "support/GameFiles.h"

#include "base/GxStringUtil.h"
#include "graphics/GxPNG.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/ImageSetWriter.h"
#include "tools/builders/SoundFiles.h"

#include <algorithm>
#include <sstream>

namespace qtest {

namespace fs = std::filesystem;

namespace {

void MakeParent(const fs::path& path) {
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
}

} // namespace

Paint Framed(int w, int h, uint32_t fill, uint32_t edge) {
    return [=](int x, int y) { return (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? edge : fill; };
}

bool WritePicture(const fs::path& path, int w, int h, const Paint& paint) {
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[size_t(y) * size_t(w) + size_t(x)] = paint(x, y);
    MakeParent(path);
    return GxWritePNGFile(GxFromUtf8(path.string()).c_str(), w, h, reinterpret_cast<const u8*>(px.data()));
}

bool WriteUISet(const std::string& name, const std::vector<SetImage>& images, int width, int height) {
    ImageSetSpec spec;
    int x = 0, y = 0, row = 0;
    std::vector<std::pair<int, int>> at;
    for (const SetImage& i : images) {
        if (x + i.w > width) x = 0, y += row, row = 0;
        at.push_back({x, y});
        x += i.w, row = std::max(row, i.h);
    }
    if (height == 0) height = y + row;
    std::vector<uint32_t> px(size_t(width) * size_t(height), 0);
    for (size_t k = 0; k < images.size(); ++k) {
        const SetImage& i = images[k];
        for (int py = 0; py < i.h; ++py)
            for (int pxx = 0; pxx < i.w; ++pxx)
                px[size_t(at[k].second + py) * size_t(width) + size_t(at[k].first + pxx)] = i.paint(pxx, py);
        spec.origins.push_back({GxFromUtf8(i.name), -1, i.w, i.h, 0, {WholePattern(0, at[k].first, at[k].second, i.w, i.h)}});
    }
    spec.atlases = {{GxFromUtf8(name) + u".png", width, height, 1, 0, px}};
    return WriteImageSetFiles(fs::current_path(), "uigis/" + name, spec, false);
}

bool WriteUITables(const std::vector<UIModuleRow>& modules, const std::vector<UILayoutRow>& layouts) {
    std::vector<std::string> m, l;
    int id = 1;
    for (const UIModuleRow& r : modules) {
        std::ostringstream s;
        s << id++ << '\t' << r.type << '\t' << r.name << '\t' << r.set << '\t' << r.image << "\t0\t0\t" << r.clientLeft
          << '\t' << r.clientTop << '\t' << r.clientWidth << '\t' << r.clientHeight << "\t0\t" << r.font << "\t2";
        m.push_back(s.str());
    }
    id = 1;
    for (const UILayoutRow& r : layouts) {
        std::ostringstream s;
        s << id++ << '\t' << r.parent << "\t0\t" << r.module << '\t' << r.task << '\t' << r.index << "\t1\t" << r.visible
          << "\t1\t" << r.left << '\t' << r.top << '\t' << r.z << '\t' << r.group << "\t\t\t" << r.sound << '\t'
          << r.value << '\t' << r.min << '\t' << r.max << '\t' << r.help << '\t';
        l.push_back(s.str());
    }
    return WriteTable("data/db_uimodule.txt",
                      "ID\tUIType\tName\tImageSetName\tImageName\tWidth\tHeight\tClientLeft\tClientTop\tClientWidth\t"
                      "ClientHeight\tShapeType\tFontIndex\tAnimeSpeed",
                      m) &&
           WriteTable("data/db_uilayout.txt",
                      "ID\tParentName\tParentIndex\tModuleName\tTaskName\tTaskIndex\tCreate\tVisible\tEnabled\tLeft\tTop\t"
                      "OrderZ\tGroupID\tText\tLabel\tSystemSoundID\tValue\tMin\tMax\tAutoHelpTime\tDescript",
                      l);
}

bool WriteTable(const fs::path& path, const std::string& header, const std::vector<std::string>& rows) {
    // UTF-8 with its mark; without it the tables read as Shift-JIS.
    std::string text = "\xEF\xBB\xBF#" + header + "\n";
    for (const std::string& r : rows) text += r + "\n";
    MakeParent(path);
    return WriteText(path, text);
}

bool WriteWav(const fs::path& path, uint32_t frames, int16_t level) {
    const std::vector<uint8_t> wav = BuildWav({}, ConstantPcm16(frames, level, level));
    MakeParent(path);
    return WriteBytes(path, std::vector<unsigned char>(wav.begin(), wav.end()));
}

} // namespace qtest
