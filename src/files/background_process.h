// A program run beside ours on time a core would otherwise leave idle: the
// game's clips, made by the game itself, in the game and on the server.
#ifndef TOSSARO_FILES_BACKGROUND_PROCESS_H
#define TOSSARO_FILES_BACKGROUND_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

// Starts `arguments` (the program's path first) in a session of its own,
// out of reach of the terminal's Ctrl+C and hang-up, at the lowest
// priority (SCHED_IDLE, nice 19), its input and output /dev/null and its
// errors into `errors`. Safe in a program with other threads: only system
// calls run between the fork and the exec. Returns its pid, or -1 with
// errno set.
pid_t start_background_process(const std::vector<std::string> &arguments, int errors);

// Waits for the process. Returns an empty string when it ended with
// status 0, else how it ended ("NAME ended with status 2", "NAME ended on
// signal 9").
std::string wait_for_process(pid_t pid, const std::string &name);

#endif
