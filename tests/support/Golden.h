#pragma once
// Where the checked-in golden files live, whatever folder a test runs in.
#include <filesystem>
#include <string>

namespace qtest {

// <repository>/<relative>.
std::filesystem::path SourcePath(const std::string& relative);
// tests/golden/<relative>.
std::filesystem::path GoldenPath(const std::string& relative);

} // namespace qtest
