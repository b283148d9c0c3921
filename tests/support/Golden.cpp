#include "support/Golden.h"

namespace qtest {

std::filesystem::path GoldenPath(const std::string& relative) {
    // This file sits in tests/support/; the compiler names it by its full path.
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "golden" / relative;
}

} // namespace qtest
