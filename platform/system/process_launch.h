#pragma once
// Starting outside programs, left to run on their own or waited for, and the
// desktop's choice of program for plain text files. Text is UTF-8.
#include <string>
#include <vector>

namespace psys {

// Splits a command line into its arguments: blanks separate them, double
// quotes group blanks into one and are removed.
std::vector<std::string> split_command_line(const std::string& command_line);

// Starts argv[0] (looked up in PATH when it has no '/') with those arguments
// in a new session, not a child of this process, so it is never waited for.
// True once the program is running; false when it could not be started.
bool launch_detached(const std::vector<std::string>& argv);

// How a program that was waited for ended.
struct exit_status {
    bool started = false;    // false: the program could not be started
    bool signalled = false;  // killed by a signal, whose number is the code
    int code = 0;            // the exit code, or the signal's number
};

// Runs argv[0] (looked up in PATH when it has no '/') as a child sharing this
// process's environment and standard streams, and waits for it to end.
exit_status run_and_wait(const std::vector<std::string>& argv);

// Runs argv[0] (looked up in PATH) with its standard streams on /dev/null and
// waits for it. The program is tied to the calling thread: the system ends it
// (SIGTERM) when that thread or this process goes, however it goes, so a
// dialog never outlives the engine that showed it. Returns the exit status,
// 128 + the signal that ended it, or -1 when it could not be started.
int run_tied(const std::vector<std::string>& argv);

// The command line the desktop opens plain text files with: the Exec line of
// the application `xdg-mime query default text/plain` names, else $VISUAL,
// else $EDITOR; "" when none is known.
std::string text_file_handler();
// The Exec line of the [Desktop Entry] group of a desktop entry file, trimmed;
// "" when the file or the line is missing.
std::string desktop_entry_exec(const std::string& path);

} // namespace psys
