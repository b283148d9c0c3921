// The built program itself, headless, in a game folder written by the sample
// generator.
#include "GameFolder.h"

#include "platform/system/instance_lock.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using proctest::ReadUtf16File;
namespace fs = std::filesystem;

// The test binary lives in build/<preset>/tests; the programs beside it.
fs::path BuildFolder() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }

pid_t Spawn(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir, const fs::path& out) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for the child; -1 when it is still running at the deadline (it is
// then killed).
int WaitExit(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Polls for a condition of another process, within a bound.
template <class F>
bool Eventually(F&& f, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!f()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(QuillonProcess, RunsHeadlessRefusesASecondStartAndEndsCleanlyOnSigterm) {
    qtest::TempDir temp;
    const fs::path game = temp.path() / "game";
    const fs::path run = temp.path() / "run";
    fs::create_directories(run);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The software renderer: the GL drivers keep memory a leak checker reports.
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);

    const pid_t maker = Spawn(BuildFolder() / "tools" / "quillon_make_sample", {game.string()}, temp.path(),
                              temp.path() / "make.out");
    ASSERT_EQ(WaitExit(maker, std::chrono::seconds(30)), 0);
    ASSERT_TRUE(fs::exists(game / "system" / "sysconf.ini"));
    ASSERT_TRUE(fs::exists(game / "sample.gxp"));

    const fs::path quillon = BuildFolder() / "app" / "quillon";
    const pid_t pid = Spawn(quillon, {}, game, temp.path() / "first.out");
    const fs::path save = game / "QuillonSample_SAVE";
    // Start-up is over once the game asked for its boot scene.
    ASSERT_TRUE(Eventually(
        [&] { return ReadUtf16File(save / "error.log").find("(SeqBoot)") != std::string::npos; },
        std::chrono::seconds(30)));

    const pid_t second = Spawn(quillon, {}, game, temp.path() / "second.out");
    EXPECT_EQ(WaitExit(second, std::chrono::seconds(30)), 1);
    const std::vector<unsigned char> said = qtest::ReadBytes(temp.path() / "second.out");
    EXPECT_NE(std::string(said.begin(), said.end()).find("[Quillon Sample] 既に起動中です"), std::string::npos);

    // SDL turns the signal into a quit request, which the game does not hold.
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitExit(pid, std::chrono::seconds(30)), 0);
    EXPECT_TRUE(fs::exists(save / "device.log"));
    psys::instance_lock lock;
    EXPECT_TRUE(lock.acquire("Quillon Sample"));
}

} // namespace
