#include "platform/system/process_launch.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(RunTied, ReportsHowTheProgramEnded) {
    const qtest::DefaultEndingSignalsHere defaults;
    EXPECT_EQ(psys::run_tied({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(psys::run_tied({"sh", "-c", "kill -TERM $$"}), 128 + SIGTERM);
    EXPECT_EQ(psys::run_tied({"quillon-no-such-program"}), -1);
    EXPECT_EQ(psys::run_tied({}), -1);
}

TEST(RunAndWait, ReportsHowTheProgramEnded) {
    struct Case {
        std::vector<std::string> argv;
        bool started, signalled;
        int code;
    } cases[] = {
        {{"/bin/sh", "-c", "exit 0"}, true, false, 0},
        {{"sh", "-c", "exit $#", "sh", "a", "b c"}, true, false, 2},  // found in PATH, arguments kept whole
        {{"/bin/sh", "-c", "exit 137"}, true, false, 137},
        {{"/bin/sh", "-c", "kill -9 $$"}, true, true, SIGKILL},
        {{"/nonexistent/program"}, false, false, 0},
        {{""}, false, false, 0},
        {{}, false, false, 0},
    };
    for (const Case& c : cases) {
        const psys::exit_status s = psys::run_and_wait(c.argv);
        const std::string what = c.argv.empty() ? "no arguments" : c.argv.back();
        EXPECT_EQ(s.started, c.started) << what;
        EXPECT_EQ(s.signalled, c.signalled) << what;
        EXPECT_EQ(s.code, c.code) << what;
    }
}

TEST(RunTied, TheProgramEndsWithItsStarter) {
    qtest::TempDir dir;
    const std::string pidFile = dir.str() + "/pid";
    // The tie ends the program with SIGTERM.
    const qtest::DefaultEndingSignalsHere defaults;
    // The starter is a process of its own, killed without a chance to clean up.
    const pid_t starter = fork();
    ASSERT_GE(starter, 0);
    if (starter == 0) {
        psys::run_tied({"sh", "-c", "echo $$ > '" + pidFile + "'.new && mv '" + pidFile + "'.new '" + pidFile +
                                        "' && exec sleep 60"});
        _exit(0);
    }
    pid_t program = 0;
    qtest::Eventually([&] { return bool(std::ifstream(pidFile) >> program); }, std::chrono::seconds(20));
    kill(starter, SIGKILL);
    waitpid(starter, nullptr, 0);
    ASSERT_NE(program, 0) << "the program never started";
    EXPECT_TRUE(qtest::Eventually([&] { return qtest::ProcessGone(program); }, std::chrono::seconds(20)))
        << "the program outlived its starter";
    if (!qtest::ProcessGone(program)) kill(program, SIGKILL);
}

} // namespace
