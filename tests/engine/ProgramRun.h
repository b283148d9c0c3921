#pragma once
// Starting the built programs as their own processes: `quillon` and the
// tools beside it, in a folder, with the environment changed as a test asks
// and what they say written to a file. Everything the child needs is built
// before the fork.
#include "support/Processes.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace proctest {

namespace fs = std::filesystem;

// The test binary lives in build/<preset>/tests; the programs beside it.
inline fs::path BuildFolder() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path(); }

// Environment changes for a child: a value sets, nullopt removes.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// Headless by request, with its own runtime folder and home, and no display.
inline EnvChanges HeadlessEnv(const fs::path& runtime, const fs::path& home) {
    return {{"XDG_RUNTIME_DIR", runtime.string()},
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"SDL_VIDEODRIVER", "offscreen"},
            {"SDL_AUDIODRIVER", "dummy"},
            // The software renderer: GL drivers keep memory a leak checker reports.
            {"SDL_RENDER_DRIVER", "software"},
            {"SDL_FRAMEBUFFER_ACCELERATION", "0"},
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt}};
}

// Starts program in dir with this process's environment changed as asked,
// standard output and error into out.
inline pid_t Spawn(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir,
                   const fs::path& out, const EnvChanges& changes = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!changes.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value) env.push_back(name + "=" + *value);
    std::vector<char*> envp, argv{const_cast<char*>(program.c_str())};
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // A group of its own, so that a failed test can end it with whatever
        // it started.
        setpgid(0, 0);
        if (chdir(dir.c_str()) != 0) _exit(126);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

inline std::string ReadText(const fs::path& p) {
    const std::vector<unsigned char> b = qtest::ReadBytes(p);
    return std::string(b.begin(), b.end());
}

} // namespace proctest
