#pragma once
// Builds pack archives for tests and for the sample game: a 48-byte header, a
// directory of records (names in CP932 or UTF-16LE) and the entries' bytes,
// optionally scrambled with the 23-byte table.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qtest {

struct PackEntrySpec {
    std::string name;  // UTF-8; stored in the pack's name form
    std::vector<unsigned char> data;
    uint64_t time = 0;  // the last-write time stored with the entry
};

struct PackOptions {
    bool scrambled = false;
    bool utf16Names = false;
    // 23 bytes; null means the engine's own table.
    const unsigned char* table = nullptr;
};

std::vector<unsigned char> BuildPack(const std::vector<PackEntrySpec>& entries, const PackOptions& options = {});
void WritePack(const std::filesystem::path& path, const std::vector<PackEntrySpec>& entries,
               const PackOptions& options = {});

} // namespace qtest
