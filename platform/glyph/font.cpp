#include "platform/glyph/font.h"

#include "platform/system/codepage.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include FT_TRUETYPE_TABLES_H
#include FT_DRIVER_H
#include FT_SIZES_H

#include <cmath>
#include <cstring>
#include <string>
#include <map>
#include <mutex>
#include <utility>

namespace pglyph {
namespace {

// FreeType objects are not thread-safe; one lock guards the library, every
// face and every size.
std::mutex& Mutex() {
    static std::mutex m;
    return m;
}

// The library and the faces opened so far (a game uses one or two), kept
// for the process and closed at its exit.
struct Engine {
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces;

    Engine() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
            return;
        }
        // The same hinting whatever FREETYPE_PROPERTIES says.
        FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
        FT_Property_Set(library, "truetype", "interpreter-version", &interpreter);
        FT_Bool noDarkening = 1;
        FT_Property_Set(library, "autofitter", "no-stem-darkening", &noDarkening);
        FT_Property_Set(library, "cff", "no-stem-darkening", &noDarkening);
    }
    ~Engine() {
        for (auto& f : faces)
            if (f.second) FT_Done_Face(f.second);
        if (library) FT_Done_FreeType(library);
    }
};

Engine& TheEngine() {
    Mutex();  // constructed first, so that it outlives the engine
    static Engine engine;
    return engine;
}

FT_Library Library() { return TheEngine().library; }

FT_Face OpenFace(const face_choice& c) {
    Engine& e = TheEngine();
    auto key = std::make_pair(c.file, c.index);
    if (auto it = e.faces.find(key); it != e.faces.end()) return it->second;
    FT_Face face = nullptr;
    if (!e.library || FT_New_Face(e.library, c.file.c_str(), c.index, &face) != 0) face = nullptr;
    e.faces.emplace(key, face);
    return face;
}

constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT;

int32_t Round26(FT_Pos v) { return int32_t((v + 32) >> 6); }

} // namespace

std::string rasteriser_version() {
    FT_Int major = 0, minor = 0, patch = 0;
    std::lock_guard<std::mutex> lock(Mutex());
    if (Library()) FT_Library_Version(Library(), &major, &minor, &patch);
    return "FreeType " + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

struct font::impl {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
};

font::font(std::unique_ptr<impl> p, const face_choice& face, const text_metrics& metrics)
    : impl_(std::move(p)), face_(face), metrics_(metrics) {}

font::~font() {
    std::lock_guard<std::mutex> lock(Mutex());
    if (impl_->size) FT_Done_Size(impl_->size);
}

std::unique_ptr<font> font::create(int32_t height, std::u16string_view face_name) {
    if (height <= 0) return nullptr;
    const face_lookup found = find_face(face_name);
    if (!found.found) return nullptr;
    std::lock_guard<std::mutex> lock(Mutex());
    auto p = std::make_unique<impl>();
    p->face = OpenFace(found.choice);
    if (!p->face || !FT_IS_SCALABLE(p->face)) return nullptr;
    // A cell height is the face's Windows ascent plus descent, so the em is
    // scaled down by that sum, as a font asked for by cell height is.
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(p->face, FT_SFNT_OS2));
    double up = os2 ? os2->usWinAscent : p->face->ascender;
    double down = os2 ? os2->usWinDescent : -p->face->descender;
    if (up + down <= 0) up = p->face->units_per_EM, down = 0;
    const double em = p->face->units_per_EM;
    const FT_F26Dot6 ppem = FT_F26Dot6(std::lround(double(height) * 64.0 * em / (up + down)));
    if (ppem <= 0 || FT_New_Size(p->face, &p->size) != 0) return nullptr;
    FT_Activate_Size(p->size);
    if (FT_Set_Char_Size(p->face, 0, ppem, 72, 72) != 0) {
        FT_Done_Size(p->size);
        return nullptr;
    }
    text_metrics m;
    m.height = height;
    m.ascent = int32_t(std::lround(double(height) * up / (up + down)));
    m.descent = height - m.ascent;
    const double scale = double(ppem) / 64.0 / em;
    m.average_width = int32_t(std::lround((os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : em / 2) * scale));
    m.maximum_width = int32_t(std::lround(double(p->face->max_advance_width) * scale));
    return std::unique_ptr<font>(new font(std::move(p), found.choice, m));
}

int64_t font::render(uint32_t code_point, glyph_metrics& gm, uint8_t* buffer, size_t size) const {
    gm = glyph_metrics{};
    std::lock_guard<std::mutex> lock(Mutex());
    FT_Face face = impl_->face;
    FT_Activate_Size(impl_->size);
    if (FT_Load_Char(face, code_point, kLoadFlags) != 0) return -1;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return -1;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.rows != 0 && bm.width != 0) return -1;
    gm.black_box_width = bm.width;
    gm.black_box_height = bm.rows;
    gm.origin_x = slot->bitmap_left;
    gm.origin_y = slot->bitmap_top;
    gm.advance = Round26(slot->advance.x);
    const size_t pitch = grey_pitch(bm.width);
    const size_t bytes = pitch * bm.rows;
    if (bytes == 0 || bytes > size || !buffer) return int64_t(bytes);
    const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
    for (unsigned r = 0; r < bm.rows; ++r) {
        const unsigned char* src = bm.buffer + ptrdiff_t(r) * bm.pitch;
        uint8_t* dst = buffer + r * pitch;
        for (unsigned c = 0; c < bm.width; ++c)
            dst[c] = levels == 255 ? coverage_to_level(src[c])
                                   : uint8_t((unsigned(src[c]) * 64u + unsigned(levels) / 2) / unsigned(levels));
        std::memset(dst + bm.width, 0, pitch - bm.width);
    }
    return int64_t(bytes);
}

int64_t font::glyph(char16_t unit, glyph_metrics& metrics, uint8_t* buffer, size_t size) const {
    // A lone surrogate has no glyph of its own.
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        metrics = glyph_metrics{};
        return 0;
    }
    return render(unit, metrics, buffer, size);
}

int64_t font::glyph_cp932(uint16_t code, glyph_metrics& metrics, uint8_t* buffer, size_t size) const {
    char bytes[2];
    size_t n = 0;
    if (code > 0xFF) bytes[n++] = char(code >> 8);
    bytes[n++] = char(code & 0xFF);
    const std::u16string wide = psys::cp932_to_utf16(std::string_view(bytes, n));
    if (wide.size() != 1) {
        metrics = glyph_metrics{};
        return 0;
    }
    return glyph(wide[0], metrics, buffer, size);
}

} // namespace pglyph
