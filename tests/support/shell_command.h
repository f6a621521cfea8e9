// Commands the tests give the shell: the programs under test, and the
// tools that judge them.
#ifndef TOSSARO_TESTS_SHELL_COMMAND_H
#define TOSSARO_TESTS_SHELL_COMMAND_H

#include <string>

// A path quoted for the shell.
std::string quoted(const std::string &path);

// Runs a shell command and returns its exit status (-1 when it did not
// exit); its output, standard output and error together, goes to `output`
// when not null.
int run(const std::string &command, std::string *output = nullptr);

#endif
