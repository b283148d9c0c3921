#include "tools/builders/ImageSetWriter.h"

#include "platform/image/image.h"
#include "tools/builders/ContentBytes.h"
#include "tools/builders/FileBytes.h"

namespace qtest {

void WriteImageSetValues(GxContentWriterBase& w, const ImageSetSpec& spec) {
    w.Write("m_EconomyMode", spec.economy);
    WriteContentList(w, "m_CrammedImageArray", "GxNcCrammedImage", spec.atlases, [&](const ImageSetAtlas& a) {
        w.Write("m_FileName", a.fileName);
        w.Write("m_ImageWidth", a.width);
        w.Write("m_ImageHeight", a.height);
        w.Write("m_Count", a.count);
        w.Write("m_PreserveFlag", a.preserve);
    });
    WriteContentList(w, "m_OriginImageArray", "GxNcOriginImage", spec.origins, [&](const ImageSetOrigin& o) {
        w.Write("m_FileName", o.name);
        w.Write("m_PatternCount", o.patternCount < 0 ? s32(o.patterns.size()) : o.patternCount);
        w.Write("m_ImageWidth", o.width);
        w.Write("m_ImageHeight", o.height);
        w.Write("m_PreserveFlag", o.preserve);
        WriteContentList(w, "m_PatternArray", "GxNcCrammedPattern", o.patterns, [&](const ImageSetPattern& p) {
            w.Write("m_Left", p.left);
            w.Write("m_Top", p.top);
            w.Write("m_Width", p.width);
            w.Write("m_Height", p.height);
            w.Write("m_CrammedImageIndex", p.crammedIndex);
            w.Write("m_CrammedOffsetLeft", p.offsetLeft);
            w.Write("m_CrammedOffsetTop", p.offsetTop);
            w.Write("m_CrammedLeft", p.crammedLeft);
            w.Write("m_CrammedTop", p.crammedTop);
            w.Write("m_CrammedWidth", p.crammedWidth);
            w.Write("m_CrammedHeight", p.crammedHeight);
            w.Write("m_CenterPosX", p.centerX);
            w.Write("m_CenterPosY", p.centerY);
            if (p.hasRawUV) w.Write("m_CrammedRawUV", p.rawUV);
            w.Write("m_NoCutoffFlag", p.noCutoff);
            w.Write("m_Selected", p.selected);
        });
    });
}

std::vector<unsigned char> BuildImageSet(const ImageSetSpec& spec, bool text) {
    return WriteContentBytes(text, "GIMGSET", 100, [&](GxContentWriterBase& w) { WriteImageSetValues(w, spec); });
}

bool WriteImageSetFiles(const std::filesystem::path& root, const std::string& name, const ImageSetSpec& spec,
                        bool text) {
    const std::filesystem::path file = root / (name + ".gis");
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    WriteBytes(file, BuildImageSet(spec, text));
    for (const ImageSetAtlas& a : spec.atlases) {
        if (a.pixels.empty()) continue;
        const std::filesystem::path png = file.parent_path() / std::filesystem::path(a.fileName);
        if (!pimage::save_png(png.string(), a.pixels.data(), uint32_t(a.width), uint32_t(a.height),
                              size_t(a.width) * 4))
            return false;
    }
    return std::filesystem::exists(file);
}

ImageSetPattern WholePattern(s32 atlas, s32 x, s32 y, s32 w, s32 h) {
    ImageSetPattern p;
    p.width = w, p.height = h;
    p.crammedIndex = atlas;
    p.crammedLeft = x, p.crammedTop = y, p.crammedWidth = w, p.crammedHeight = h;
    return p;
}

} // namespace qtest
