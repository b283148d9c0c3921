#include "base/GxStringUtil.h"

#include "platform/system/codepage.h"
#include "platform/system/file_system.h"
#include "platform/system/paths.h"


GxStringA GxToAnsi(GxStringView s) { return psys::utf16_to_cp932(s); }
GxStringA GxToUtf8(GxStringView s) { return psys::utf16_to_utf8(s); }
GxString GxFromAnsi(std::string_view s) { return psys::cp932_to_utf16(s); }
GxString GxFromUtf8(std::string_view s) { return psys::utf8_to_utf16(s); }
GxString GxCopyString(GxStringView s) { return GxString(s); }

GxStringA GxToNativePath(GxStringView path) { return psys::utf16_to_native_path(GxReplaceChar(path, u'\\', u'/')); }
GxString GxFromNativePath(std::string_view path) { return psys::native_path_to_utf16(path); }

GxString GxReplaceAll(GxStringView s, GxStringView from, GxStringView to) {
    // An empty pattern would match everywhere and never advance.
    if (from.empty()) return GxString(s);
    GxString out;
    out.reserve(s.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == GxStringView::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

GxString GxReplaceChar(GxStringView s, GxChar find, GxChar replace) {
    GxString out(s);
    for (auto& c : out)
        if (c == find) c = replace;
    return out;
}

GxString GxToLower(GxStringView s) {
    GxString out(s);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = GxChar(c + 32);
    return out;
}

GxString GxToUpper(GxStringView s) {
    GxString out(s);
    for (auto& c : out)
        if (c >= u'a' && c <= u'z') c = GxChar(c - 32);
    return out;
}

GxString GxTrim(GxStringView s, int mode) {
    if (mode == 0) return GxString(s);
    auto blank = [mode](GxChar c) { return (mode >= 1 && mode <= 3) ? c <= 32 : (c == u'\n' || c == u'\r'); };
    size_t b = 0, e = s.size();
    bool lead = mode == 1 || mode == 3 || mode > 3 || mode < 0;
    bool trail = mode == 2 || mode == 3 || mode > 3 || mode < 0;
    if (lead)
        while (b < e && blank(s[b])) ++b;
    if (trail)
        while (e > b && blank(s[e - 1])) --e;
    return GxString(s.substr(b, e - b));
}

GxString GxCharAt(GxStringView s, int index) {
    if (index < 0 || size_t(index) >= s.size()) return {};
    return GxString(1, s[size_t(index)]);
}

GxString GxExtractQuoted(GxStringView s, int pos) {
    if (pos < 0 || size_t(pos) >= s.size()) return {};
    const size_t p = size_t(pos);
    const GxChar q = s[p];
    if (q != u'"' && q != u'\'') return GxString(s.substr(p));
    bool escaped = false;
    size_t i = p + 1;
    for (; i < s.size(); ++i) {
        GxChar c = s[i];
        if (c == u'\\' && i + 1 < s.size()) {
            GxChar n = s[i + 1];
            if (n == u'"') escaped = !escaped;
            else if (n == u'\'') escaped = !escaped;
            else escaped = false;
            // The escaped quote itself is looked at in the next round with the flag set.
            continue;
        }
        if (c == q && !escaped) break;
        escaped = false;
    }
    return GxString(s.substr(p + 1, i - (p + 1)));
}

namespace {
bool IsSep(GxChar c) { return c == u'\\' || c == u'/'; }
bool IsSepOrColon(GxChar c) { return c == u'\\' || c == u'/' || c == u':'; }

size_t LastSepOrColon(GxStringView path) {
    for (size_t i = path.size(); i-- > 0;)
        if (IsSepOrColon(path[i])) return i;
    return GxStringView::npos;
}
} // namespace

GxString GxGetFileName(GxStringView path) {
    size_t i = LastSepOrColon(path);
    return GxString(i == GxStringView::npos ? path : path.substr(i + 1));
}

GxString GxGetDirectoryName(GxStringView path) {
    size_t i = LastSepOrColon(path);
    return i == GxStringView::npos ? GxString() : GxString(path.substr(0, i + 1));
}

GxString GxGetFileExtension(GxStringView path) {
    for (size_t i = path.size(); i-- > 0;) {
        GxChar c = path[i];
        if (c == u'.') return GxString(path.substr(i));
        if (IsSepOrColon(c)) break;
    }
    return {};
}

GxString GxGetFileTitle(GxStringView path) {
    GxString name = GxGetFileName(path);
    size_t dot = name.find(u'.');
    return dot == GxString::npos ? name : name.substr(0, dot);
}

GxString GxChangeFileExtension(GxStringView path, GxStringView ext) {
    GxString cur = GxGetFileExtension(path);
    GxString out(path.substr(0, path.size() - cur.size()));
    out.append(ext);
    return out;
}

bool GxHasFileExtension(GxStringView path, GxStringView ext) {
    return GxEqualsNoCase(GxGetFileExtension(path), ext);
}

GxString GxAddPathSeparator(GxStringView path, GxChar sep) {
    GxString out(path);
    if (!out.empty() && !IsSep(out.back())) out.push_back(sep);
    return out;
}

GxString GxRemovePathSeparator(GxStringView path) {
    if (!path.empty() && IsSep(path.back())) return GxString(path.substr(0, path.size() - 1));
    return GxString(path);
}

GxString GxCombinePath(GxStringView dir, GxStringView name, GxChar sep) {
    if (dir.empty()) return GxString(name);
    GxString out(dir);
    if (!IsSep(out.back())) out.push_back(sep);
    out.append(name);
    return out;
}

GxString GxGetFullPath(GxStringView path) {
    return GxFromNativePath(psys::full_path(GxToNativePath(path)));
}

GxString GxGetCurrentDirectory() {
    std::string cwd = psys::current_directory();
    if (cwd.empty()) return {};
    GxString w = GxFromNativePath(cwd);
    if (w.back() != u'/') w.push_back(u'/');
    return w;
}

GxString GxGetMyDocumentsPath() {
    GxString d = GxFromNativePath(psys::documents_folder());
    return GxRemovePathSeparator(d);
}

bool GxCanOpenFile(GxStringView path) { return psys::can_open_for_reading(GxToNativePath(path)); }
bool GxCreateDirectory(GxStringView path) { return psys::make_folder(GxToNativePath(path)); }
bool GxIsDirectory(GxStringView path) { return psys::is_folder(GxToNativePath(path)); }

bool GxEqualsNoCase(GxStringView a, GxStringView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        GxChar x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = GxChar(x + 32);
        if (y >= u'A' && y <= u'Z') y = GxChar(y + 32);
        if (x != y) return false;
    }
    return true;
}
