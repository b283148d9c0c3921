#include "support/TempDir.h"

#include "platform/system/codepage.h"

#include <cstdlib>
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

} // namespace qtest
