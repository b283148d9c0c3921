#include "support/TempDir.h"

#include "platform/system/codepage.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace qtest {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::u16string TempDir::u16() const { return psys::utf8_to_utf16(path_.string()); }
std::u16string TempDir::u16(const std::string& name) const { return psys::utf8_to_utf16((path_ / name).string()); }

std::vector<unsigned char> ReadBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& p, const std::vector<unsigned char>& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(text.data(), std::streamsize(text.size()));
}

} // namespace qtest
