// Writes the sample game folder: quillon_make_sample [folder] (default
// sample/game); quillon_make_sample --version prints the version that the
// folder records, so that a changed generator can be noticed.
#include "tools/SampleGame.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const qtools::SampleGameOptions options;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", qtools::SampleVersion(options).c_str());
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: quillon_make_sample [folder] | --version\n");
        return 2;
    }
    const std::filesystem::path folder = argc == 2 ? argv[1] : "sample/game";
    std::string error;
    std::vector<std::string> notes;
    if (!qtools::WriteSampleGame(folder, options, error, &notes)) {
        std::fprintf(stderr, "quillon_make_sample: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& note : notes) std::printf("quillon_make_sample: %s\n", note.c_str());
    std::printf("sample game written to %s\n", folder.string().c_str());
    return 0;
}
