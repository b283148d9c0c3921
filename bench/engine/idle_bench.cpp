// What a still screen costs: processor time, as a share of one core, of
// - `quillon` showing the sample game's title once it is still (1024 × 768,
//   the size the game module sets): run as a scripted run on the real clock
//   (QUILLON_PLAYTHROUGH), it shows its frame every quarter second for five
//   seconds after the title came, and is measured from half a second after
//   the last of those, when the last two seconds of them are one picture
//   (the opening movie, the title's fade and the writing of those frames
//   are not measured);
// - the engine's own frame loop at 1024 × 768 and 1920 × 1080: the frame
//   timer, the message pump, the full clear (target, depth, stencil) and the
//   present of the graphics layer, with no scene to draw;
// - the floor: a minimal SDL program showing one unchanged frame at 60 Hz
//   through the same present path, every frame, and only when the window
//   needs it.
// Each runs in a process of its own; its time is read from /proc over the
// measured seconds, after two seconds of start-up (quillon: after its title
// is still). Usage:
//   idle_bench [seconds [quillon]]
// (default 10 s and the quillon built beside it; another build's quillon can
// be compared). It needs a display, or SDL_VIDEODRIVER=offscreen.
#include "base/GxFrameTimer.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "platform/render/present_target.h"
#include "platform/window/event_pump.h"
#include "platform/window/window.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if !defined(QUILLON_BIN) || !defined(QUILLON_MAKE_SAMPLE)
#define QUILLON_BIN ""
#define QUILLON_MAKE_SAMPLE ""
#endif

namespace {

constexpr int kWarmupSeconds = 2;

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// User + system time of a process so far, in seconds.
double cpu_seconds(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(f, line);
    size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Sleeps until an absolute time on the monotonic clock.
void sleep_until(double t) {
    timespec ts;
    ts.tv_sec = time_t(t);
    ts.tv_nsec = long((t - double(ts.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// The engine's frame loop with nothing to draw but the clear.
int engine_loop(int w, int h, double seconds) {
    pwin::window window;
    pwin::window_config cfg;
    cfg.title = "idle_bench engine";
    cfg.width = w;
    cfg.height = h;
    if (!window.create(cfg)) return 3;
    window.show();
    GxGraphicsConfig& g = GxGraphics::GetConfig();
    g.m_ScreenWidth = g.m_BackBufferWidth = u32(w);
    g.m_ScreenHeight = g.m_BackBufferHeight = u32(h);
    if (!GxGraphics::Initialize(&window, nullptr, nullptr, nullptr)) return 4;
    GxFrameTimer timer;
    const double end = now_s() + seconds;
    pwin::window_event e;
    while (now_s() < end) {
        timer.WaitNextFrame();
        while (pwin::peek_event())
            if (!pwin::next_event(e)) break;
        GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil, 0xFF000000u, 1.0f, 0);
        GxGraphics::BeginScene();
        GxGraphics::EndScene();
        GxGraphics::Present();
    }
    GxGraphics::Finalize();
    return 0;
}

// One unchanged frame at 60 Hz through the present path chosen for the
// window; every frame, or only when the window needs it.
int floor_loop(int w, int h, double seconds, bool every_frame) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 3;
    SDL_Window* window = SDL_CreateWindow("idle_bench floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, 0);
    if (!window) return 3;
    std::vector<uint32_t> frame(size_t(w) * size_t(h), 0xFF000000u);
    int code = 0;
    {
        prender::sdl_present_target target(window);
        std::fprintf(stderr, "    (floor presents through: %s)\n", target.open().c_str());
        const double start = now_s(), end = start + seconds;
        for (long n = 1; now_s() < end; ++n) {
            SDL_PumpEvents();
            if ((every_frame || target.needs_repaint()) && !target.show(frame.data(), w, h, w * 4, nullptr, nullptr))
                code = 5;
            sleep_until(start + double(n) / 60.0);
        }
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return code;
}

// Runs one case in a child; the share of one core it used over `seconds`
// after the warm-up, or a negative value when it failed.
template <class Child>
double measure(double seconds, Child child) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(child());
    sleep_until(now_s() + kWarmupSeconds);
    const double t0 = now_s(), c0 = cpu_seconds(pid);
    sleep_until(t0 + seconds);
    const double t1 = now_s(), c1 = cpu_seconds(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || c0 < 0 || c1 < 0) return -1;
    return 100.0 * (c1 - c0) / (t1 - t0);
}

// The title's frames: one every kShotPasses passes, kShots of them, after
// the title came; it counts as still when the last kStillShots are one
// picture. Measuring starts kQuietPasses after the last.
constexpr int kShots = 20, kShotPasses = 15, kStillShots = 8, kQuietPasses = 30;

std::string file_text(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// quillon in the game folder, measured over `seconds` once its title is
// still; a negative share when it failed, or -2 when the title did not
// settle. `settled` gets the seconds from the title's coming to the first
// of the frames that stayed.
double measure_still_title(double seconds, const char* quillon_bin, const std::filesystem::path& game,
                           const std::filesystem::path& folder, double* settled) {
    const std::filesystem::path script = folder / "still.txt";
    {
        std::ofstream out(script);
        out << "clock real\nwait SeqTitle\n+0 note title\n";
        for (int i = 0; i < kShots; ++i) out << "+" << kShotPasses << " shot still" << i << "\n+0 note shot" << i << "\n";
        out << "+" << kQuietPasses << " note still\n";
    }
    int fds[2];
    if (pipe(fds) != 0) return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        if (chdir(game.c_str()) != 0) _exit(1);
        setenv("QUILLON_PLAYTHROUGH", script.c_str(), 1);
        execl(quillon_bin, "quillon", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The notes, as they come, until the one that starts the measuring.
    std::map<std::string, double> notes;
    std::string line;
    char c;
    pollfd ready{fds[0], POLLIN, 0};
    while (!notes.count("still") && poll(&ready, 1, 60000) == 1 && read(fds[0], &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        const size_t space = line.rfind(' ');
        if (space != std::string::npos) notes[line.substr(0, space)] = std::atof(line.c_str() + space + 1) * 1e-6;
        line.clear();
    }
    double share = -1;
    if (notes.count("still") && notes.count("title")) {
        const double t0 = now_s(), c0 = cpu_seconds(pid);
        sleep_until(t0 + seconds);
        const double t1 = now_s(), c1 = cpu_seconds(pid);
        if (c0 >= 0 && c1 >= 0) share = 100.0 * (c1 - c0) / (t1 - t0);
        // The first frame from which all were the last one.
        const std::string last = file_text(folder / ("still" + std::to_string(kShots - 1) + ".png"));
        int first = kShots - 1;
        while (first > 0 && file_text(folder / ("still" + std::to_string(first - 1) + ".png")) == last) --first;
        if (last.empty() || first > kShots - kStillShots) share = -2;
        else *settled = notes["shot" + std::to_string(first)] - notes["title"];
    }
    close(fds[0]);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return share;
}

void row(const char* what, double share, double floor_every, double floor_needed) {
    if (share < 0) {
        std::printf("  %-44s failed\n", what);
        return;
    }
    std::printf("  %-44s %6.2f %% of a core", what, share);
    if (floor_every > 0) std::printf("   %5.2f x floor (every frame)", share / floor_every);
    if (floor_needed > 0) std::printf("   %5.2f x floor (when needed)", share / floor_needed);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const char* quillon_bin = argc > 2 ? argv[2] : QUILLON_BIN;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: idle_bench [seconds [quillon]]\n");
        return 2;
    }
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("idle_bench: %.0f s a case after %d s of start-up (quillon: once its title is still); video driver %s; "
                "load average ",
                seconds, kWarmupSeconds, driver ? driver : "(SDL's choice)");
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        double load = 0;
        if (std::fscanf(f, "%lf", &load) == 1) std::printf("%.2f", load);
        std::fclose(f);
    }
    std::printf(" (other work on the machine shows in the figures)\n");

    if (!*quillon_bin || !*QUILLON_MAKE_SAMPLE) {
        std::fprintf(stderr, "idle_bench: built without quillon and the sample generator\n");
        return 1;
    }
    // The sample game, written afresh.
    char tmpl[] = "/tmp/quillon_idle_XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::filesystem::path game = std::filesystem::path(tmpl) / "game";
    const std::string make = std::string("'") + QUILLON_MAKE_SAMPLE + "' '" + game.string() + "' >/dev/null";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "idle_bench: the sample game could not be written\n");
        return 1;
    }
    // Its save folder made beforehand: quillon announces a new one in a
    // message box, which would wait for a click.
    {
        std::ifstream conf(game / "system" / "sysconf.ini");
        std::string line;
        while (std::getline(conf, line))
            if (line.rfind("APP_SAVEDIR=", 0) == 0 || line.find("APP_SAVEDIR=") == 3) {  // after a UTF-8 mark
                const size_t value = line.find('=') + 1;
                std::filesystem::create_directories(game / line.substr(value, line.find_last_not_of("\r") + 1 - value));
            }
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    struct size { int w, h; };
    for (size s : {size{1024, 768}, size{1920, 1080}}) {
        std::printf("%d x %d\n", s.w, s.h);
        const double run = kWarmupSeconds + seconds + 1;
        const double every = measure(seconds, [&] { return floor_loop(s.w, s.h, run, true); });
        const double needed = measure(seconds, [&] { return floor_loop(s.w, s.h, run, false); });
        row("floor: one frame shown every 1/60 s", every, 0, 0);
        row("floor: shown only when the window needs it", needed, 0, 0);
        if (s.w == 1024) {
            double settled = 0;
            const double quillon = measure_still_title(seconds, quillon_bin, game, tmpl, &settled);
            if (quillon == -2)
                std::printf("  quillon: the title was not still for the last %.1f s of the %.1f s after it came\n",
                            kStillShots * kShotPasses / 60.0, kShots * kShotPasses / 60.0);
            else
                row("quillon, the sample's title once still", quillon, every, needed);
            if (quillon >= 0) std::printf("    (the title still %.2f s after it came)\n", settled);
        }
        const double loop = measure(seconds, [&] { return engine_loop(s.w, s.h, run); });
        row("the engine's frame loop, full clear + present", loop, every, needed);
    }
    std::filesystem::remove_all(tmpl);
    return 0;
}
