#include "platform/system/process_launch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <csignal>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace psys {

std::vector<std::string> split_command_line(const std::string& command_line) {
    std::vector<std::string> out;
    std::string current;
    bool in_arg = false, quoted = false;
    for (char c : command_line) {
        if (c == '"') {
            quoted = !quoted;
            in_arg = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_arg) out.push_back(current);
            current.clear();
            in_arg = false;
        } else {
            current.push_back(c);
            in_arg = true;
        }
    }
    if (in_arg) out.push_back(current);
    return out;
}

bool launch_detached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The grandchild reports a failed exec through the pipe; a successful
    // exec closes it empty.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            const int err = errno;
            (void)!::write(report[1], &err, sizeof err);
            ::_exit(1);
        }
        if (grandchild == 0) {
            const int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                ::dup2(devnull, STDIN_FILENO);
                if (devnull != STDIN_FILENO) ::close(devnull);
            }
            ::execvp(args[0], args.data());
            const int err = errno;
            (void)!::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

// Runs the program as a child and waits for it. A tied child is ended by the
// system when the calling thread or this process goes, and has its standard
// streams on /dev/null.
exit_status spawn_and_wait(const std::vector<std::string>& argv, bool tied) {
    exit_status out;
    if (argv.empty() || argv[0].empty()) return out;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // A failed exec is reported through the pipe; a successful one closes it empty.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return out;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return out;
    }
    if (child == 0) {
        ::close(report[0]);
        if (tied) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            // The parent may have gone before the tie was made.
            if (::getppid() != parent) ::_exit(126);
            const int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                ::dup2(devnull, STDIN_FILENO);
                ::dup2(devnull, STDOUT_FILENO);
                ::dup2(devnull, STDERR_FILENO);
                if (devnull > STDERR_FILENO) ::close(devnull);
            }
        }
        ::execvp(args[0], args.data());
        const int err = errno;
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    int err = 0;
    ssize_t n;
    while ((n = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    if (n != 0 || waited != child) return out;
    out.started = true;
    out.signalled = WIFSIGNALED(status);
    out.code = out.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    return out;
}

} // namespace

exit_status run_and_wait(const std::vector<std::string>& argv) { return spawn_and_wait(argv, false); }

int run_tied(const std::vector<std::string>& argv) {
    const exit_status s = spawn_and_wait(argv, true);
    if (!s.started) return -1;
    return s.signalled ? 128 + s.code : s.code;
}

namespace {

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return s.substr(b, e - b);
}

std::string query_default_text_application() {
    FILE* p = ::popen("xdg-mime query default text/plain 2>/dev/null", "r");
    if (!p) return {};
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) && out.size() < 4096) out += buf;
    ::pclose(p);
    out = trim(out);
    // One desktop file name; anything else is not an answer.
    if (out.find('/') != std::string::npos || out.find('\n') != std::string::npos) return {};
    return out;
}

std::vector<std::string> application_dirs() {
    std::vector<std::string> dirs;
    const char* data_home = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (data_home && *data_home) dirs.push_back(std::string(data_home) + "/applications");
    else if (home && *home) dirs.push_back(std::string(home) + "/.local/share/applications");
    const char* data_dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = (data_dirs && *data_dirs) ? data_dirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        if (end > start) dirs.push_back(list.substr(start, end - start) + "/applications");
        start = end + 1;
    }
    return dirs;
}

} // namespace

std::string desktop_entry_exec(const std::string& path) {
    std::ifstream in(path);
    if (!in) return {};
    std::string line;
    bool in_entry = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (!line.empty() && line[0] == '[') {
            in_entry = line == "[Desktop Entry]";
            continue;
        }
        if (in_entry && line.compare(0, 5, "Exec=") == 0) return trim(line.substr(5));
    }
    return {};
}

std::string text_file_handler() {
    const std::string app = query_default_text_application();
    if (!app.empty()) {
        for (const std::string& dir : application_dirs()) {
            const std::string exec = desktop_entry_exec(dir + "/" + app);
            if (!exec.empty()) return exec;
        }
    }
    for (const char* var : {"VISUAL", "EDITOR"}) {
        const char* v = std::getenv(var);
        if (v && *trim(v).c_str()) return trim(v);
    }
    return {};
}

} // namespace psys
