#include "support/Processes.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <grp.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/acl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qtest {

namespace {
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGTERM};
static_assert(std::size(kEndingSignals) == 3, "DefaultEndingSignalsHere keeps one old action each");

sigset_t EndingSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kEndingSignals) sigaddset(&set, s);
    return set;
}
} // namespace

bool BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
    return setgroups(groups.size(), groups.data()) == 0 && setresgid(gid, gid, gid) == 0 &&
           setresuid(uid, uid, uid) == 0;
}

int AsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const std::function<int()>& f) {
    const pid_t pid = fork();
    if (pid == 0) _exit(BecomeUser(uid, gid, groups) ? f() : 99);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

std::string SaidAsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const std::function<std::string()>& f) {
    int out[2];
    if (pipe(out) != 0) return "!";
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        const std::string said = BecomeUser(uid, gid, groups) ? f() : "!";
        (void)!write(out[1], said.data(), said.size());
        _exit(0);
    }
    close(out[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, size_t(n));
    close(out[0]);
    waitpid(pid, nullptr, 0);
    return said;
}

namespace {

bool WriteWhole(const std::string& path, const std::string& text) {
    const int out = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool ok = out >= 0 && write(out, text.data(), text.size()) == ssize_t(text.size());
    if (out >= 0) close(out);
    return ok;
}

// No capability left, as after an exec by a user who is not root.
bool DropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    return syscall(SYS_capset, &header, none) == 0;
}

} // namespace

bool EnterOwnUserNamespace(bool asRoot) {
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    const std::string user = asRoot ? "0" : std::to_string(uid), group = asRoot ? "0" : std::to_string(gid);
    // Dumpable again after a change of user, so that its maps are its own to
    // write.
    if (prctl(PR_SET_DUMPABLE, 1) != 0 || unshare(CLONE_NEWUSER) != 0 ||
        !WriteWhole("/proc/self/setgroups", "deny") ||
        !WriteWhole("/proc/self/uid_map", user + " " + std::to_string(uid) + " 1") ||
        !WriteWhole("/proc/self/gid_map", group + " " + std::to_string(gid) + " 1"))
        return false;
    return asRoot || DropCapabilities();
}

bool EnterUserNamespaceMappedByParent(int ready, int go, bool asRoot) {
    char byte = 0;
    return unshare(CLONE_NEWUSER) == 0 && write(ready, "r", 1) == 1 && read(go, &byte, 1) == 1 && byte == 'y' &&
           (asRoot || DropCapabilities());
}

bool SetAccessList(const char* path, const char* text) {
    acl_t acl = acl_from_text(text);
    const bool set = acl && acl_set_file(path, ACL_TYPE_ACCESS, acl) == 0;
    if (acl) acl_free(acl);
    return set;
}

void DefaultEndingSignals() {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (const int s : kEndingSignals) sigaction(s, &dfl, nullptr);
    const sigset_t set = EndingSignalSet();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

DefaultEndingSignalsHere::DefaultEndingSignalsHere() {
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], nullptr, &old_[i]);
    sigprocmask(SIG_SETMASK, nullptr, &oldMask_);
    DefaultEndingSignals();
}

DefaultEndingSignalsHere::~DefaultEndingSignalsHere() {
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &old_[i], nullptr);
    sigprocmask(SIG_SETMASK, &oldMask_, nullptr);
}

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
