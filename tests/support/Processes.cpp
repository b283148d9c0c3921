#include "support/Processes.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace qtest {

int WaitExit(pid_t pid, std::chrono::seconds limit) {
    int status = 0;
    const bool ended = Eventually([&] { return waitpid(pid, &status, WNOHANG) != 0; }, limit);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t EndedProcessId() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

bool ProcessGone(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    // The state follows the name in brackets, which may itself hold brackets.
    const size_t close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

} // namespace qtest
