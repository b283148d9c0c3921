#include "platform/glyph/face_finder.h"

#include "platform/system/codepage.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>

namespace pglyph {
namespace {

// The platform's system gothic under its Japanese and Latin names, with the
// proportional and UI variants that games name as often.
constexpr std::u16string_view kDefaultAliases[] = {
    u"ＭＳ ゴシック", u"MS Gothic", u"ＭＳ Ｐゴシック", u"MS PGothic", u"MS UI Gothic", u"ＭＳ UI Gothic",
};
// Installed Japanese gothics, best first.
constexpr const char* kGothicFamilies[] = {"IPAGothic", "VL Gothic"};

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}

// Loaded once and let go at exit, with the library's own caches.
struct Fontconfig {
    FcConfig* config = FcInitLoadConfigAndFonts();
    ~Fontconfig() {
        if (config) FcConfigDestroy(config);
        FcFini();
    }
};

FcConfig* Config() {
    static Fontconfig fc;
    return fc.config;
}

std::string GetString(FcPattern* p, const char* object) {
    FcChar8* s = nullptr;
    return FcPatternGetString(p, object, 0, &s) == FcResultMatch && s ? std::string(reinterpret_cast<char*>(s)) : "";
}

int GetInt(FcPattern* p, const char* object, int fallback) {
    int v = fallback;
    return FcPatternGetInteger(p, object, 0, &v) == FcResultMatch ? v : fallback;
}

face_choice ChoiceOf(FcPattern* p) {
    face_choice c;
    c.family = GetString(p, FC_FAMILY);
    c.file = GetString(p, FC_FILE);
    c.index = GetInt(p, FC_INDEX, 0);
    return c;
}

// Of the installed faces matching the pattern, the upright one nearest to
// regular weight (ties broken by file name, so the choice never depends on
// the order fontconfig lists them in).
std::optional<face_choice> ListBest(FcPattern* pattern) {
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr);
    FcFontSet* set = FcFontList(Config(), pattern, os);
    FcObjectSetDestroy(os);
    std::optional<face_choice> best;
    int bestScore = 0;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        face_choice c = ChoiceOf(p);
        if (c.file.empty()) continue;
        const int score = std::abs(GetInt(p, FC_WEIGHT, FC_WEIGHT_REGULAR) - FC_WEIGHT_REGULAR) +
                          (GetInt(p, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN ? 1000 : 0);
        if (!best || score < bestScore || (score == bestScore && c.file < best->file)) {
            best = c;
            bestScore = score;
        }
    }
    if (set) FcFontSetDestroy(set);
    return best;
}

std::optional<face_choice> FindFamily(const std::string& family) {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    std::optional<face_choice> c = ListBest(p);
    FcPatternDestroy(p);
    // A family list holds localised names too; report the one asked for.
    if (c) c->family = family;
    return c;
}

std::optional<face_choice> FindForLanguage(const char* lang) {
    FcPattern* p = FcPatternCreate();
    FcLangSet* ls = FcLangSetCreate();
    FcLangSetAdd(ls, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddLangSet(p, FC_LANG, ls);
    FcLangSetDestroy(ls);
    std::optional<face_choice> c = ListBest(p);
    FcPatternDestroy(p);
    return c;
}

// Whatever fontconfig would draw sans-serif text with.
std::optional<face_choice> FindAny() {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(Config(), p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(Config(), p, &result);
    FcPatternDestroy(p);
    if (!match) return std::nullopt;
    face_choice c = ChoiceOf(match);
    FcPatternDestroy(match);
    if (c.file.empty()) return std::nullopt;
    return c;
}

std::optional<face_choice> FindDefault() {
    for (const char* family : kGothicFamilies)
        if (auto c = FindFamily(family)) return c;
    if (auto c = FindForLanguage("ja")) return c;
    return FindAny();
}

} // namespace

bool is_default_face_name(std::u16string_view name) {
    return std::find(std::begin(kDefaultAliases), std::end(kDefaultAliases), name) != std::end(kDefaultAliases);
}

face_lookup find_face(std::u16string_view name) {
    std::lock_guard<std::mutex> lock(Mutex());
    static std::map<std::u16string, face_lookup, std::less<>> known;
    if (auto it = known.find(name); it != known.end()) {
        face_lookup again = it->second;
        again.first = false;
        return again;
    }
    static const std::optional<face_choice> fallback = FindDefault();
    face_lookup r;
    r.first = true;
    std::optional<face_choice> c;
    if (!name.empty() && !is_default_face_name(name)) c = FindFamily(psys::utf16_to_utf8(name));
    if (!c) {
        c = fallback;
        if (c) c->substituted = !name.empty() && !is_default_face_name(name);
    }
    r.found = c.has_value();
    if (c) r.choice = *c;
    known.emplace(std::u16string(name), r);
    return r;
}

} // namespace pglyph
