// The engine executable: one game, run from its working folder.
#include <cstdio>

int main() {
    std::fprintf(stderr, "quillon: this build holds the core services only; it cannot run a game yet.\n");
    return 1;
}
