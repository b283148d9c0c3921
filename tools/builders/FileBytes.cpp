#include "tools/builders/FileBytes.h"

#include <fstream>
#include <iterator>

namespace qtest {

std::vector<unsigned char> ReadBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& p) {
    const std::vector<unsigned char> bytes = ReadBytes(p);
    return std::string(bytes.begin(), bytes.end());
}

bool WriteBytes(const std::filesystem::path& p, const std::vector<unsigned char>& bytes) {
    return WriteText(p, std::string(bytes.begin(), bytes.end()));
}

bool WriteText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(text.data(), std::streamsize(text.size()));
    f.close();
    return bool(f);
}

} // namespace qtest
