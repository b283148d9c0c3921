// Writes the sample game folder: quillon_make_sample [folder] (default
// sample/game).
#include "tools/SampleGame.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: quillon_make_sample [folder]\n");
        return 2;
    }
    const std::filesystem::path folder = argc == 2 ? argv[1] : "sample/game";
    std::string error;
    if (!qtools::WriteSampleGame(folder, {}, error)) {
        std::fprintf(stderr, "quillon_make_sample: %s\n", error.c_str());
        return 1;
    }
    std::printf("sample game written to %s\n", folder.string().c_str());
    return 0;
}
