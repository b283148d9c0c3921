#pragma once
// Waiting on other processes within bounds: a test that starts a program never
// hangs on it.
#include <chrono>
#include <csignal>
#include <sys/types.h>
#include <thread>
#include <functional>
#include <string>
#include <vector>

namespace qtest {

// Waits for a child; its exit code, 128 + the signal that ended it, or -1 when
// it is still running at the deadline (it is then killed).
int WaitExit(pid_t pid, std::chrono::seconds limit);

// A process that is gone: reaped, or a zombie nobody has reaped yet.
bool ProcessGone(pid_t pid);

// The id of a process that has ended (a writer killed, or one on another
// machine), until another takes it.
pid_t EndedProcessId();

// The signals tests end the programs they start with: SIGHUP, SIGINT and
// SIGTERM. A program keeps an ignore it inherits (the game rightly stays on
// under nohup), and the test command may have been started ignoring some
// (nohup, CI runners), so a test that sends one must hand its program the
// default. In a child between fork and exec: those signals at their default
// and unblocked. Async-signal-safe.
void DefaultEndingSignals();

// The same for this process while it stands, for a test that starts its
// program through the engine's own launcher, which hands on what it has.
class DefaultEndingSignalsHere {
public:
    DefaultEndingSignalsHere();
    ~DefaultEndingSignalsHere();
    DefaultEndingSignalsHere(const DefaultEndingSignalsHere&) = delete;
    DefaultEndingSignalsHere& operator=(const DefaultEndingSignalsHere&) = delete;

private:
    struct sigaction old_[3];
    sigset_t oldMask_;
};

// Becomes the user uid of the primary group gid and the further groups
// given (only these: a test's users need no account); false where this
// process may not. For a child, before it acts as that user.
bool BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {});

// Runs f as that user in a child process; its exit code, 99 where the child
// could not become the user, 100 where it did not exit.
int AsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const std::function<int()>& f);

// The same for a test whose answer is text: what f returned, or "!" where
// the child could not become the user.
std::string SaidAsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const std::function<std::string()>& f);

// Enters a user namespace of its own that maps only this process's user
// and group: each to itself, as `unshare -c` does (rootless sandboxes and
// toolbox-like containers start so), with no capability in it, as after
// that command's exec; or, as root, to root, as `unshare -r` does. Every
// other id reaches it as the overflow id. False where this machine may
// not. For a child, after it became its user.
bool EnterOwnUserNamespace(bool asRoot = false);

// The same, its maps written by this process's parent (root), which a byte
// on ready asks for and a 'y' on go says are written: so any ids can be
// given numbers of the namespace's own, as a rootless container's maps do.
// asRoot keeps the capabilities of one whose maps make it root there (after
// `newuidmap`, as a container's root).
bool EnterUserNamespaceMappedByParent(int ready, int go, bool asRoot = false);

// Sets path's access list from its text (setfacl's short form); false where
// the text or the file system refuses it.
bool SetAccessList(const char* path, const char* text);

// Polls for a condition of another process, within a bound.
template <class F>
bool Eventually(F&& f, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!f()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace qtest
