// Writes the sample game the tests of a build share: write_test_sample ROOT
// movie|still (see support/SharedSampleGame.h). The build runs it whenever
// the generator or the sample's scripts changed.
#include "support/SharedSampleGame.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[2], "movie") != 0 && std::strcmp(argv[2], "still") != 0)) {
        std::fprintf(stderr, "usage: write_test_sample ROOT movie|still\n");
        return 2;
    }
    std::string error;
    if (!qtest::WriteSharedSample(argv[1], std::strcmp(argv[2], "movie") == 0, &error)) {
        std::fprintf(stderr, "write_test_sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
