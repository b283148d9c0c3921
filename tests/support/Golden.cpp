#include "support/Golden.h"

namespace qtest {

// The build names the source folder: a compiler cache or a prefix map may
// give __FILE__ as a path relative to wherever the compiler ran.
std::filesystem::path SourcePath(const std::string& relative) { return std::filesystem::path(QUILLON_SOURCE_DIR) / relative; }

std::filesystem::path GoldenPath(const std::string& relative) { return SourcePath("tests/golden/" + relative); }

} // namespace qtest
