#pragma once
// Whole files read and written as bytes, for the builders and the tests.
#include <filesystem>
#include <string>
#include <vector>

namespace qtest {

// The file's bytes; empty when it cannot be read.
std::vector<unsigned char> ReadBytes(const std::filesystem::path& p);
// The same bytes as a string.
std::string ReadText(const std::filesystem::path& p);
// Creates or truncates the file; false when it cannot be written whole.
bool WriteBytes(const std::filesystem::path& p, const std::vector<unsigned char>& bytes);
bool WriteText(const std::filesystem::path& p, const std::string& text);

} // namespace qtest
