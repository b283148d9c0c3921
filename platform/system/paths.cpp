#include "platform/system/paths.h"

#include "platform/system/environment.h"
#include "platform/system/file_system.h"

#include <cerrno>
#include <fstream>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace psys {
namespace {

// Reads XDG_DOCUMENTS_DIR="$HOME/..." from user-dirs.dirs.
std::string xdg_documents(const std::string& home) {
    std::string cfg = environment_variable("XDG_CONFIG_HOME");
    if (cfg.empty()) {
        if (home.empty()) return {};
        cfg = home + "/.config";
    }
    std::ifstream f(cfg + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(f, line)) {
        size_t s = line.find_first_not_of(" \t");
        if (s == std::string::npos || line.compare(s, key.size(), key) != 0) continue;
        std::string v = line.substr(s + key.size());
        while (!v.empty() && (v.back() == '\r' || v.back() == ' ' || v.back() == '\t')) v.pop_back();
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        // No folder's path holds a NUL; the system would read it cut short.
        if (v.find('\0') != std::string::npos) return {};
        if (v.rfind("$HOME", 0) == 0) {
            if (home.empty()) return {};
            v = home + v.substr(5);
        }
        if (!v.empty() && v[0] != '/') return {};  // only absolute paths are valid there
        return v;
    }
    return {};
}

// Makes an absolute folder and any folders above it that are missing.
bool make_folders(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (!is_folder(part) && !make_folder(part) && errno != EEXIST) return false;
        if (at == std::string::npos) break;
    }
    return is_folder(path);
}

} // namespace

std::string current_directory() {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        if (::getcwd(buf.data(), buf.size())) return std::string(buf.data());
        if (errno != ERANGE || buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string full_path(const std::string& path) {
    if (path.empty()) return {};
    std::string abs = path;
    if (abs[0] != '/') {
        std::string cwd = current_directory();
        if (cwd.empty()) return {};
        abs = cwd + "/" + path;
    }
    // Lexical normalisation: ".", ".." and repeated separators; the file need not exist.
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < abs.size()) {
        size_t j = abs.find('/', i);
        if (j == std::string::npos) j = abs.size();
        std::string part = abs.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    if (out.empty()) out = "/";
    if (path.back() == '/' && out.back() != '/') out += '/';
    return out;
}

std::string documents_folder() {
    const std::string home = environment_variable("HOME");
    const std::string xdg = xdg_documents(home);
    if (is_folder(xdg)) return xdg;
    // A plain account has no documents folder until someone makes one.
    if (is_folder(home)) {
        const std::string documents = home + "/Documents";
        if (is_folder(documents) || make_folder(documents)) return documents;
    }
    std::string data = environment_variable("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        // Without HOME the account's own entry says where home is.
        std::string base = home;
        if (base.empty()) {
            const passwd* pw = ::getpwuid(::getuid());
            if (pw && pw->pw_dir) base = pw->pw_dir;
        }
        if (!is_folder(base)) return {};
        data = base + "/.local/share";
    }
    return make_folders(data) ? data : std::string();
}

} // namespace psys
