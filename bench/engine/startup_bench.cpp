// How long the sample game takes from exec to its first title frame on the
// screen, beside the floor: a program that only starts SDL, opens a
// 1024 × 768 window and shows one frame through the same present path.
// Each run is a process of its own on one core; the medians of the runs are
// printed. quillon runs as a scripted run (QUILLON_PLAYTHROUGH) on the real
// clock: Control is held from the first frame, so the opening is skipped as
// a player can skip it, and the run notes the monotonic time once the
// title's first frame is presented (and once the very first frame is).
// Usage: startup_bench [runs [quillon]] (default 10 and the quillon built
// beside it). It needs a display, or SDL_VIDEODRIVER=offscreen.
#include "platform/render/present_target.h"

#include <SDL.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#if !defined(QUILLON_BIN) || !defined(QUILLON_MAKE_SAMPLE)
#define QUILLON_BIN ""
#define QUILLON_MAKE_SAMPLE ""
#endif

namespace {

namespace fs = std::filesystem;

unsigned long long now_us() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (unsigned long long)t.tv_sec * 1000000ull + (unsigned long long)t.tv_nsec / 1000ull;
}

// The floor's child: SDL, a window, one frame shown; the time it was shown.
int floor_child() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 3;
    SDL_Window* window = SDL_CreateWindow("startup_bench floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          1024, 768, 0);
    if (!window) return 3;
    std::vector<uint32_t> frame(1024 * 768, 0xFF000000u);
    int code = 0;
    {
        prender::sdl_present_target target(window);
        target.open();
        if (!target.show(frame.data(), 1024, 768, 1024 * 4, nullptr, nullptr)) code = 5;
        std::printf("shown %llu\n", now_us());
        std::fflush(stdout);
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return code;
}

// Runs a program on one core with its standard output into a pipe; the
// microseconds from just before the exec to each "<name> <time>" it printed.
std::map<std::string, double> run_timed(const std::vector<std::string>& argv, const fs::path& dir,
                                        const std::vector<std::string>& env) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(nullptr);
    const unsigned long long start = now_us();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        cpu_set_t one;
        CPU_ZERO(&one);
        cpu_set_t allowed;
        sched_getaffinity(0, sizeof allowed, &allowed);
        for (int c = 0; c < CPU_SETSIZE; ++c)
            if (CPU_ISSET(c, &allowed)) {
                CPU_SET(c, &one);
                break;
            }
        sched_setaffinity(0, sizeof one, &one);
        if (chdir(dir.c_str()) != 0) _exit(126);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::map<std::string, double> times;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return times;
    size_t at = 0;
    while (at < out.size()) {
        const size_t end = out.find('\n', at);
        const std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? out.size() : end + 1;
        const size_t space = line.rfind(' ');
        if (space == std::string::npos) continue;
        const unsigned long long t = std::strtoull(line.c_str() + space + 1, nullptr, 10);
        if (t > start) times[line.substr(0, space)] = double(t - start) / 1000.0;
    }
    return times;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--floor") == 0) return floor_child();
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string quillon = argc > 2 ? argv[2] : QUILLON_BIN;
    if (runs < 1 || quillon.empty() || !*QUILLON_MAKE_SAMPLE) {
        std::fprintf(stderr, "usage: startup_bench [runs [quillon]] (built with quillon and the sample generator)\n");
        return 2;
    }
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("startup_bench: %d runs of each on one core; video driver %s\n", runs, driver ? driver : "(SDL's choice)");

    char tmpl[] = "/tmp/quillon_startup_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const fs::path folder = tmpl, game = folder / "game";
    const std::string make = std::string("'") + QUILLON_MAKE_SAMPLE + "' '" + game.string() + "' >/dev/null";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "startup_bench: the sample game could not be written\n");
        return 1;
    }
    // The save folder beforehand: a new one is announced in a message box.
    fs::create_directories(game / "QuillonSample_SAVE");
    std::ofstream(folder / "script.txt") << "clock real\n+0 note first\n+0 keydown Left Ctrl\nwait SeqTitle\n"
                                            "+0 note title\n+0 keyup Left Ctrl\n+0 quit\n";
    const std::string playthrough = "QUILLON_PLAYTHROUGH=" + (folder / "script.txt").string();
    const std::string self = fs::read_symlink("/proc/self/exe").string();

    std::vector<double> floor, first, title;
    for (int i = 0; i < runs; ++i) {
        const auto f = run_timed({self, "--floor"}, folder, {});
        if (f.count("shown")) floor.push_back(f.at("shown"));
        const auto q = run_timed({quillon}, game, {playthrough});
        if (q.count("first")) first.push_back(q.at("first"));
        if (q.count("title")) title.push_back(q.at("title"));
    }
    fs::remove_all(folder);
    if (floor.empty() || title.empty()) {
        std::fprintf(stderr, "startup_bench: a run failed\n");
        return 1;
    }
    const double f = median(floor), q1 = median(first), qt = median(title);
    std::printf("  %-52s %8.1f ms\n", "floor: SDL, a 1024 x 768 window, one frame shown", f);
    std::printf("  %-52s %8.1f ms   %5.2f x floor\n", "quillon: first frame shown", q1, q1 / f);
    std::printf("  %-52s %8.1f ms   %5.2f x floor   (target under 300 ms)\n", "quillon: first title frame shown", qt,
                qt / f);
    return 0;
}
