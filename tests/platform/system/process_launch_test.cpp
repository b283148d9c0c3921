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
    EXPECT_EQ(psys::run_tied({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(psys::run_tied({"sh", "-c", "kill -TERM $$"}), 128 + SIGTERM);
    EXPECT_EQ(psys::run_tied({"quillon-no-such-program"}), -1);
    EXPECT_EQ(psys::run_tied({}), -1);
}

TEST(RunTied, TheProgramEndsWithItsStarter) {
    qtest::TempDir dir;
    const std::string pidFile = dir.str() + "/pid";
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
