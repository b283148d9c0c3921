// Runs a fuzz target over every file of its saved corpus (a missing folder is
// an empty corpus), so inputs that once failed are replayed by normal tests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int count = 0;
    LLVMFuzzerTestOneInput(nullptr, 0);
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec)) continue;
        for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i])) {
            if (!e.is_regular_file()) continue;
            // Named first, so that an input that crashes or hangs is known.
            std::fprintf(stderr, "replaying %s\n", e.path().c_str());
            std::ifstream f(e.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
