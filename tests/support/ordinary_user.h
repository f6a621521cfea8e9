// Checks that must run where file permissions apply: as the user running
// the tests, or as "nobody" when that is root.
#ifndef TOSSARO_TESTS_ORDINARY_USER_H
#define TOSSARO_TESTS_ORDINARY_USER_H

#include <functional>
#include <string>

// Runs `checks` (gtest assertions) in a child process, as "nobody" when
// the tests run as root, after handing `folder` to that user. The calling
// test fails when any check in the child failed.
void as_ordinary_user(const std::string &folder, const std::function<void()> &checks);

#endif
