#include "tools/builders/PackWriter.h"

#include "io/GxPackFileHeaderCache.h"
#include "platform/system/codepage.h"
#include "tools/builders/FileBytes.h"

namespace qtest {
namespace {

void Put32(std::vector<unsigned char>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((unsigned char)(v >> (8 * i)));
}
void Put64(std::vector<unsigned char>& b, uint64_t v) {
    Put32(b, uint32_t(v));
    Put32(b, uint32_t(v >> 32));
}

// Written out here rather than borrowed from the engine, so that the writer
// and the reader do not share one mistake.
void Scramble(unsigned char* d, size_t n, uint32_t position, const unsigned char* table) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = position + uint32_t(i);
        d[i] ^= (unsigned char)(p & 0xFF) ^ table[p % 23];
    }
}

} // namespace

std::vector<unsigned char> BuildPack(const std::vector<PackEntrySpec>& entries, const PackOptions& options) {
    const unsigned char* table = options.table ? options.table : kGxPackScrambleTable;
    std::vector<unsigned char> directory, data;
    for (const auto& e : entries) {
        std::vector<unsigned char> name;
        if (options.utf16Names) {
            for (char16_t c : psys::utf8_to_utf16(e.name)) name.push_back((unsigned char)(c & 0xFF)), name.push_back((unsigned char)(c >> 8));
            name.push_back(0), name.push_back(0);
        } else {
            const std::string n = psys::utf16_to_cp932(psys::utf8_to_utf16(e.name));
            name.assign(n.begin(), n.end());
            name.push_back(0);
        }
        uint32_t length = uint32_t(32 + name.size());
        length += (4 - length % 4) % 4;
        std::vector<unsigned char> rec;
        Put32(rec, length);
        Put32(rec, uint32_t(e.data.size()));
        Put64(rec, 0);
        Put64(rec, e.time);
        Put64(rec, data.size());
        rec.insert(rec.end(), name.begin(), name.end());
        rec.resize(length, 0);
        if (options.scrambled) {
            Scramble(rec.data(), 4, 0, table);
            Scramble(rec.data() + 4, rec.size() - 4, 4, table);
        }
        directory.insert(directory.end(), rec.begin(), rec.end());
        std::vector<unsigned char> bytes = e.data;
        if (options.scrambled) Scramble(bytes.data(), bytes.size(), 0, table);
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    std::vector<unsigned char> out = {'G', 'X', 'P', 'A', 'C', 'K', 0, 0};
    Put32(out, 1);
    Put32(out, options.utf16Names ? 1 : 0);
    Put32(out, 0);
    Put32(out, options.scrambled ? 1 : 0);
    Put32(out, uint32_t(entries.size()));
    Put32(out, uint32_t(directory.size()));
    Put64(out, 0);
    Put64(out, 48 + directory.size());
    out.insert(out.end(), directory.begin(), directory.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void WritePack(const std::filesystem::path& path, const std::vector<PackEntrySpec>& entries,
               const PackOptions& options) {
    WriteBytes(path, BuildPack(entries, options));
}

} // namespace qtest
